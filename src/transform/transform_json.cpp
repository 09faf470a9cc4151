// The transformation file: one JSON object with nine members, read and written with nlohmann's ordered
// JSON so that the members keep the order in which they are written.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "document/csv_document.h"
#include "document/delimiter.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "transform/transform.h"

namespace qelvar {
namespace {

using Json = nlohmann::ordered_json;

// More values than this in one file is no transformation a person made; it would only cost memory.
constexpr std::size_t kMaxJsonValues = 1'000'000;

Json StringArray(const std::vector<std::u16string>& list) {
  Json array = Json::array();
  for (const auto& text : list) array.push_back(Utf16ToUtf8(text));
  return array;
}

Json StringObject(const TNameValueMap& map) {
  Json object = Json::object();
  for (const auto& pair : map.Pairs()) object[Utf16ToUtf8(pair.Name)] = Utf16ToUtf8(pair.Value);
  return object;
}

Json SequenceObject(const TNameValueMap& map) {
  Json object = Json::object();
  for (const auto& pair : map.Pairs()) {
    std::int64_t start = 1, stop = 1;
    ParseSequence(pair.Value, start, stop);
    Json sequence = Json::object();
    sequence["start"] = start;
    if (stop == kSequenceToEnd)
      sequence["stop"] = "end";
    else
      sequence["stop"] = stop;
    object[Utf16ToUtf8(pair.Name)] = std::move(sequence);
  }
  return object;
}

// Nesting depth and value count before the parser sees the text, so that hostile input (a hundred
// thousand open brackets, millions of tiny values) is refused at once. Strings are skipped with their
// escapes; a malformed text may be miscounted, but the parser refuses it anyway.
bool WithinLimits(std::string_view text) {
  int depth = 0;
  std::size_t values = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
      continue;
    }
    switch (c) {
      case '"': inString = true; break;
      case '[':
      case '{':
        if (++depth > kMaxTransformJsonDepth) return false;
        ++values;
        break;
      case ']':
      case '}': --depth; break;
      case ',': ++values; break;
      default: break;
    }
    if (values > kMaxJsonValues) return false;
  }
  return true;
}

// Parses one JSON text; discarded (is_discarded) when it is not JSON or an object repeats a member name
// exactly. Repeated names are refused rather than silently resolved: such a file was not written by this
// program, and it is unclear which member its author meant.
Json ParseStrict(std::string_view text) {
  std::vector<std::set<std::string>> keys;  // member names of each open object
  bool repeated = false;
  auto callback = [&](int, Json::parse_event_t event, Json& parsed) {
    switch (event) {
      case Json::parse_event_t::object_start: keys.emplace_back(); break;
      case Json::parse_event_t::object_end:
        if (!keys.empty()) keys.pop_back();
        break;
      case Json::parse_event_t::key:
        if (!keys.empty() && !keys.back().insert(parsed.get<std::string>()).second) repeated = true;
        break;
      default: break;
    }
    return true;
  };
  Json root = Json::parse(text.begin(), text.end(), callback, /*allow_exceptions=*/false);
  if (repeated) return Json(Json::value_t::discarded);
  return root;
}

// The text form of an element: strings as they are, numbers and booleans as their JSON text; false for
// null, arrays and objects.
bool TextOf(const Json& value, std::u16string& text) {
  if (value.is_string()) {
    text = Utf8ToUtf16(value.get_ref<const std::string&>());
    return true;
  }
  if (value.is_number() || value.is_boolean()) {
    text = Utf8ToUtf16(value.dump());
    return true;
  }
  return false;
}

bool ReadArray(const Json& root, const char* key, std::vector<std::u16string>& list) {
  const auto it = root.find(key);
  if (it == root.end() || !it->is_array()) return false;
  list.clear();
  list.reserve(it->size());
  for (const auto& element : *it) {
    std::u16string text;
    if (!TextOf(element, text)) return false;
    list.push_back(std::move(text));
  }
  return true;
}

bool ReadObject(const Json& root, const char* key, TNameValueMap& map) {
  const auto it = root.find(key);
  if (it == root.end() || !it->is_object()) return false;
  map.Clear();
  for (const auto& [name, value] : it->items()) {
    std::u16string text;
    if (!TextOf(value, text)) return false;
    map.Set(Utf8ToUtf16(name), text);
  }
  return true;
}

// An integer member of a sequence object; 1 when absent or not an integral number within 64 bits.
std::int64_t SequenceBound(const Json& sequence, const char* key) {
  const auto it = sequence.find(key);
  if (it == sequence.end()) return 1;
  if (it->is_number_integer() && !it->is_number_unsigned()) return it->get<std::int64_t>();
  if (it->is_number_unsigned()) {
    const auto u = it->get<std::uint64_t>();
    return u <= static_cast<std::uint64_t>(INT64_MAX) ? static_cast<std::int64_t>(u) : 1;
  }
  if (it->is_number_float()) {
    const double d = it->get<double>();
    // Within [-2^63, 2^63) and without a fraction, such as 5.0.
    if (d >= -9223372036854775808.0 && d < 9223372036854775808.0 && static_cast<double>(static_cast<std::int64_t>(d)) == d)
      return static_cast<std::int64_t>(d);
  }
  return 1;
}

bool ReadSequences(const Json& root, const char* key, TNameValueMap& map) {
  const auto it = root.find(key);
  if (it == root.end() || !it->is_object()) return false;
  map.Clear();
  for (const auto& [name, value] : it->items()) {
    if (!value.is_object()) return false;
    const std::int64_t start = SequenceBound(value, "start");
    const auto end = value.find("stop");
    const bool toEnd = end != value.end() && end->is_string() && end->get_ref<const std::string&>() == "end";
    const std::int64_t stop = toEnd ? kSequenceToEnd : SequenceBound(value, "stop");
    const std::string text = std::to_string(start) + ":" + std::to_string(stop);
    map.Set(Utf8ToUtf16(name), Utf8ToUtf16(text));
  }
  return true;
}

}  // namespace

std::string TTransformConfig::ToJsonText() const {
  Json root = Json::object();
  root["initial_headers"] = StringArray(InitialHeaders);
  root["target_order"] = StringArray(TargetOrder);
  root["constant_vars"] = StringObject(ConstantVars);
  root["fill_vars"] = StringObject(FillVars);
  root["enumeration_vars"] = SequenceObject(EnumerationVars);
  root["rename_headers"] = StringObject(RenameHeaders);
  root["added_headers"] = StringArray(AddedHeaders);
  root["export_delimiter"] = Utf16ToUtf8(std::u16string_view(&ExportDelimiter, 1));
  root["number_format"] = Utf16ToUtf8(NumberFormat);
  return root.dump(2);
}

bool TTransformConfig::SaveToFile(const std::u16string& path) const {
  try {
    return SaveBytesToFile(path, ToJsonText());
  } catch (...) {
    return false;
  }
}

bool TTransformConfig::LoadFromJsonText(std::string_view utf8) {
  try {
    if (!WithinLimits(utf8)) return false;
    const Json root = ParseStrict(utf8);
    if (root.is_discarded() || !root.is_object()) return false;
    // Each list or map may name at most as many columns as the output may have: a hostile file naming a
    // million would otherwise cost quadratic time to read and a grid column each.
    const auto limit = static_cast<std::size_t>(MaxOutputColumns());
    for (const char* key : {"initial_headers", "target_order", "constant_vars", "fill_vars",
                            "enumeration_vars", "rename_headers", "added_headers"}) {
      const auto it = root.find(key);
      if (it != root.end() && it->is_structured() && it->size() > limit) return false;
    }

    // Everything is read into a copy; the transformation changes only when the whole file was readable.
    TTransformConfig next = *this;
    if (!ReadArray(root, "initial_headers", next.InitialHeaders) ||
        !ReadArray(root, "target_order", next.TargetOrder) ||
        !ReadObject(root, "constant_vars", next.ConstantVars) ||
        !ReadObject(root, "fill_vars", next.FillVars) ||
        !ReadObject(root, "rename_headers", next.RenameHeaders) ||
        !ReadArray(root, "added_headers", next.AddedHeaders) ||
        !ReadSequences(root, "enumeration_vars", next.EnumerationVars))
      return false;

    std::u16string delimiter = u";";
    if (const auto it = root.find("export_delimiter"); it != root.end() && it->is_string())
      delimiter = Utf8ToUtf16(it->get_ref<const std::string&>());
    // Only a delimiter that a load detects again is taken: a quote, a line break or a NUL would write a
    // file that does not read back as the table, and half of a surrogate pair is no character at all.
    if (!delimiter.empty()) {
      if (std::find(kDelimiterCandidates.begin(), kDelimiterCandidates.end(), delimiter[0]) == kDelimiterCandidates.end())
        return false;
      next.ExportDelimiter = delimiter[0];
    }

    next.NumberFormat = u"original";
    if (const auto it = root.find("number_format"); it != root.end() && it->is_string())
      next.NumberFormat = Utf8ToUtf16(it->get_ref<const std::string&>());

    *this = std::move(next);
    // A complete file without output columns is taken over and still reported as a failure.
    return !TargetOrder.empty();
  } catch (...) {
    return false;
  }
}

bool TTransformConfig::LoadFromFile(const std::u16string& path) {
  try {
    std::string bytes;
    std::int64_t size = 0;
    if (platform::ReadWholeFile(path, kMaxTransformFileSize, bytes, size) != platform::ReadResult::Ok) return false;
    return LoadFromJsonText(bytes);
  } catch (...) {
    return false;
  }
}

}  // namespace qelvar
