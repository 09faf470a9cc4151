// The plug-in's settings: section "qelvar" of its ini file.
//
// Reading never goes through the system's profile reader: the store parses the file itself on every read
// (nothing is cached), so an edit made in a text editor takes effect at the next read. Writing goes through
// the system's profile writer (platform::WriteProfileString). Every key the plug-in knows is listed once, with
// its default, in SettingKeys(); the one-argument readers take the default from there, so no caller can
// disagree about a default. No function here throws or reports an error: a missing or unreadable file gives
// the defaults and a failed write is ignored.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qelvar {

// The section every setting lives in.
inline constexpr std::u16string_view kSettingsSection = u"qelvar";

enum class TSettingType { String, Word, Flag, Integer, Colour };

struct TSettingKey {
  std::u16string_view Key;
  TSettingType Type;
  std::u16string_view DefaultString;  // String and Word keys
  int DefaultInteger;                 // Flag, Integer and Colour keys
  bool WrittenByViewer;
};

// The default as ReadString sees it: the default string, or the decimal text of the default integer.
std::u16string DefaultString(const TSettingKey& key);

// Every key of the settings section in the order of the documentation. Never empty.
std::span<const TSettingKey> SettingKeys();
// The table entry of a key (ASCII case ignored), or nullptr for a key the plug-in does not know.
const TSettingKey* FindSettingKey(std::u16string_view key);

// ---- reading and writing --------------------------------------------------------------------------

// Callers read a key with the default of the key table (the one-argument forms), so that no call site can
// disagree with the table; the forms with an explicit default serve those and the store's tests.

// The value of `key`, or `defaultValue` when the file, the section or the key is missing.
std::u16string ReadString(std::u16string_view key, std::u16string_view defaultValue);
// As above with the default of the key table (empty for an unknown key).
std::u16string ReadString(std::u16string_view key);

// The value of `key` as an integer: decimal, or hexadecimal after "$" or "0x"; optional sign and
// surrounding blanks. Empty, malformed or out-of-range text gives `defaultValue`.
int ReadInteger(std::u16string_view key, int defaultValue);
// As above with the default of the key table (0 for an unknown key).
int ReadInteger(std::u16string_view key);

// What a read found.
enum class TSettingRead {
  Missing,     // no file, section or key: the default was given
  Ok,          // the value was read
  Unreadable,  // the key is there but its text is no integer in range: the default was given, and the
               // caller should say so rather than act on a default the user did not choose
};

// The value of `key` as a 64-bit integer: decimal, or hexadecimal after "$" or "0x" (at most 63 bits);
// optional sign and surrounding blanks. `status`, when given, says what the read found.
std::int64_t ReadInteger64(std::u16string_view key, std::int64_t defaultValue, TSettingRead* status = nullptr);
// As above with the default of the key table (0 for an unknown key).
std::int64_t ReadInteger64(std::u16string_view key, TSettingRead* status = nullptr);

// Writes key=value into the section of the ini file; failures are ignored.
void WriteString(std::u16string_view key, std::u16string_view value);
// Writes the decimal text of `value`.
void WriteInteger(std::u16string_view key, int value);

// ---- where the file is ----------------------------------------------------------------------------

// The ini file as decided now: the plug-in module's path with the extension ".ini" when that file exists,
// else the host's default ini path when one was given, else the module's ".ini" path (a write creates it).
std::u16string IniPath();
// Keeps the host's default ini path unless one is stored already (the first non-empty call wins).
void SetDefaultIniPath(const std::u16string& path);
// The host's default ini path as stored; empty until the host gives one.
std::u16string GetDefaultIniPath();
// Forgets the stored default ini path. For tests only (the host gives it once per process).
void ResetDefaultIniPathForTesting();

// ---- words of particular settings -----------------------------------------------------------------

// Mode of a new viewer window from `start-mode`: 0 plain viewing, 1 edit mode, 2 transform panel.
int ReadStartMode();
int StartModeFromText(std::u16string_view text);

enum class TThemeMode { Tc, Light, Dark };

// The theme from `theme-mode` and, when that is empty, `dark-theme`.
TThemeMode ResolveThemeMode();
// The same resolution on given values (the raw `theme-mode` text and the `dark-theme` integer).
TThemeMode ThemeModeFromText(std::u16string_view themeMode, int darkTheme);
// "tc", "light" or "dark".
std::u16string_view ThemeModeName(TThemeMode mode);
// What the theme menu stores: `theme-mode` as the mode's name, and `dark-theme` 0 with light, 1 with dark.
void WriteThemeMode(TThemeMode mode);

// ---- the reader on bytes (for tests and fuzzers) --------------------------------------------------

// Looks `key` up in the section "qelvar" of an ini file's bytes by the store's rules. False when no line
// matches (then `value` is unchanged). Linear in the size of the file.
bool FindIniValue(std::string_view bytes, std::u16string_view key, std::u16string& value);
// Converts integer text as ReadInteger does; false for anything that is not an integer.
bool ParseIniInteger(std::u16string_view text, int& value);
// Converts integer text as ReadInteger64 does; false for anything that is not a 64-bit integer.
bool ParseIniInteger64(std::u16string_view text, std::int64_t& value);

}  // namespace qelvar
