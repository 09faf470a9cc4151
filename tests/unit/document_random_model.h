// The reference model of a table file and the generator of random files and values, shared by the random
// edit tests. The model keeps the file as a list of lines (raw fields and terminator) and predicts, at line
// level, what the loader makes of it: comment and preamble lines, hidden lines, cells per comment mode,
// widths; its editing operations are what the document's must do.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "document/csv_document.h"
#include "platform/utf.h"
#include "unit/document_invariants.h"

namespace qelvar::testing {

struct Line {
  std::vector<std::u16string> parts;  // raw fields as they stand in the text
  std::u16string eol;                 // empty only for a last line without a terminator
  bool hidden = false;                // dropped by the load (fixed at load time)
  bool isComment = false;
  bool wholeLine = false;             // kept as one cell holding the whole line (comment mode 1)
};

inline std::u16string Join(const std::vector<std::u16string>& parts, char16_t delimiter) {
  std::u16string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += delimiter;
    text += parts[i];
  }
  return text;
}

inline std::u16string RefDecode(std::u16string_view raw, bool trim) {
  if (raw.size() > 1 && raw.front() == u'"' && raw.back() == u'"') {
    std::u16string value;
    for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
      value += raw[i];
      if (raw[i] == u'"' && raw[i + 1] == u'"' && i + 2 < raw.size()) ++i;
    }
    return value;
  }
  std::size_t a = 0, b = raw.size();
  if (trim) {
    while (a < b && (raw[a] == u' ' || raw[a] == u'\t')) ++a;
    while (b > a && (raw[b - 1] == u' ' || raw[b - 1] == u'\t')) --b;
  }
  return std::u16string(raw.substr(a, b - a));
}

struct Model {
  std::vector<Line> lines;
  char16_t delimiter = u',';
  int mode = 0;
  bool trim = true;
  std::int64_t parseMax = 0;  // the width that cut rows at load time (0: none)
  bool ragged = false;        // rows of random widths: no width is the table's usual one
  std::int32_t columnCount = 0;
  std::int32_t hidden = 0;
  TCsvEncodingInfo encoding;  // what the file is saved in: a first line must not change its detection

  std::u16string LineText(const Line& l) const { return Join(l.parts, delimiter); }
  std::u16string Text() const {
    std::u16string text;
    for (const Line& l : lines) text += LineText(l) + l.eol;
    return text;
  }
  std::vector<std::size_t> Visible() const {
    std::vector<std::size_t> v;
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (!lines[i].hidden) v.push_back(i);
    return v;
  }
  // The raw texts of the cells the loaded document holds for a kept line.
  std::vector<std::u16string> Cells(const Line& l) const {
    if (l.wholeLine) return {LineText(l)};
    std::vector<std::u16string> cells = l.parts;
    if (parseMax > 0 && static_cast<std::int64_t>(cells.size()) > parseMax) cells.resize(static_cast<std::size_t>(parseMax));
    return cells;
  }

  // What a load of the current lines gives: the pre-scan and the comment-mode rules at line level.
  void Classify() {
    // A last line with neither text nor terminator is no line at all.
    if (!lines.empty() && lines.back().eol.empty() && LineText(lines.back()).empty()) lines.pop_back();
    struct Rec {
      bool empty, comment, semicolonLed, holdsText;
      std::int64_t trailingEmpty;
      std::int64_t fields;
    };
    std::vector<Rec> recs;
    for (Line& l : lines) {
      const std::u16string text = LineText(l);
      if (l.parts.empty()) l.parts = {u""};
      Rec r{text.empty(), IsCommentLine(text + l.eol, 1), delimiter == u';' && !text.empty() && text[0] == u';',
            false, 0, static_cast<std::int64_t>(l.parts.size())};
      for (const auto& part : l.parts) r.trailingEmpty = part.empty() || part == u"\"\"" ? r.trailingEmpty + 1 : 0;
      for (const auto& part : l.parts) r.holdsText = r.holdsText || !(part.empty() || part == u"\"\"");
      recs.push_back(r);
    }
    // The usual width of the sampled lines (two fields or more, some text; ties to the smaller width).
    auto usualWidth = [&](int& count) {
      std::map<std::int64_t, int> widths;
      for (const Rec& r : recs)
        if (!r.empty && !r.comment && r.fields >= 2 && r.holdsText) ++widths[r.fields];
      std::int64_t usual = 0;
      count = 0;
      for (const auto& [width, k] : widths) {
        if (k > count) usual = width, count = k;
      }
      return usual;
    };
    // A ';'-led comment line of a semicolon file is a row when it is as wide as the other lines usually are.
    int usualCount = 0;
    const std::int64_t semicolonWidth = usualWidth(usualCount);
    for (Rec& r : recs)
      if (r.comment && r.semicolonLed && r.fields == semicolonWidth) r.comment = false;
    const std::int64_t usual = usualWidth(usualCount);
    std::int64_t max = 0;
    // The most trailing empty fields that at least half of the usual lines end with.
    std::vector<std::int64_t> trailing;
    for (const Rec& r : recs) {
      if (r.empty || r.comment) continue;
      max = std::max(max, r.fields);
      if (r.fields == usual && r.holdsText) trailing.push_back(r.trailingEmpty);
    }
    std::sort(trailing.rbegin(), trailing.rend());
    const std::int64_t slack = trailing.empty() ? 0 : trailing[(trailing.size() - 1) / 2];
    const std::int64_t startWidth = std::max<std::int64_t>(std::min<std::int64_t>(usual, 2), usual - slack);
    std::size_t start = 0;
    for (std::size_t i = 0; i < recs.size(); ++i) {
      const Rec& r = recs[i];
      if (r.empty || r.comment) continue;
      if (usual == 0 || r.fields >= startWidth) {
        start = i;
        break;
      }
    }
    parseMax = max;
    hidden = 0;
    bool seen = false;
    std::int32_t widest = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      Line& l = lines[i];
      const bool commentLike = recs[i].comment || i < start;
      const bool hides = mode == kCommentsHidden || (mode == kCommentsAuto && !seen);
      l.hidden = hides && (commentLike || recs[i].empty);
      if (l.hidden) {
        // Hidden comment and preamble lines are counted as physical lines.
        if (commentLike) hidden += 1 + PhysicalBreaks(LineText(l));
        continue;
      }
      l.isComment = commentLike;
      l.wholeLine = commentLike && mode == kCommentsUnparsed;
      if (!commentLike && !recs[i].empty) seen = true;
      widest = std::max(widest, static_cast<std::int32_t>(Cells(l).size()));
    }
    columnCount = max > 0 ? static_cast<std::int32_t>(max) : widest;
  }

  static std::int32_t PhysicalBreaks(const std::u16string& text) {
    std::int32_t breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
      breaks += text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'));
    return breaks;
  }

  // Whether a data line with these fields would load as no data row: empty, or a comment line; or, as the
  // text's first line, one whose first characters a fresh open takes for a mark or another encoding.
  bool Misreads(const Line& l) const {
    const std::u16string text = LineText(l);
    return text.empty() || IsCommentLine(text + l.eol, 1) || (&l == &lines.front() && StartMisreads(text + l.eol));
  }
  bool StartMisreads(const std::u16string& start) const {
    if (start.empty() || encoding.HasBom) return false;
    const char16_t c = start[0];
    if (encoding.Name == u"UTF-16LE" || encoding.Name == u"UTF-16BE") return c == 0 || c > 0xFF;
    if (c == u'\uFEFF') return true;
    return start.size() > 1 && (c == 0) != (c < 0x80 && start[1] == 0);
  }
  // Whether writing `value` bare into `raw` would make detection choose another delimiter.
  bool ChangesDetection(std::u16string& raw, const std::u16string& value) {
    const std::u16string before = Text();
    const std::u16string old = raw;
    raw = value;
    const bool changes = DetectDelimiter(Text()) != DetectDelimiter(before);
    raw = old;
    return changes;
  }
  // The field holding `value`, in quotes.
  static std::u16string Quoted(const std::u16string& value) {
    std::u16string raw = u"\"";
    for (char16_t ch : value) raw += ch == u'"' ? u"\"\"" : std::u16string(1, ch);
    return raw + u"\"";
  }
  // What every edit does to a data line that would misread: its first field goes in quotes.
  void Guard(Line& l) const {
    if (!l.parts.empty() && Misreads(l)) l.parts[0] = Quoted(RefDecode(l.parts[0], trim));
  }

  std::u16string DocumentLineEnding() const {
    const std::u16string text = Text();
    const std::size_t k = text.find_first_of(u"\r\n");
    if (k == std::u16string::npos) return u"\r\n";
    if (text[k] == u'\n') return u"\n";
    return k + 1 < text.size() && text[k + 1] == u'\n' ? u"\r\n" : u"\r";
  }

  // ---- the editing operations, as the table sees them ----
  bool SetCell(std::int32_t r, std::int32_t c, const std::u16string& value) {
    const auto vis = Visible();
    if (r < 0 || r >= static_cast<std::int32_t>(vis.size())) return false;
    Line& l = lines[vis[static_cast<std::size_t>(r)]];
    if (c < 0 || c >= static_cast<std::int32_t>(Cells(l).size()) || l.isComment) return false;
    std::u16string& raw = l.parts[static_cast<std::size_t>(c)];
    if (RefDecode(raw, trim) == value) return true;
    const bool quote = (raw.size() > 1 && raw.front() == u'"' && raw.back() == u'"') ||
                       value.find_first_of(std::u16string{delimiter, u'"', u'\r', u'\n'}) != std::u16string::npos ||
                       (!value.empty() && (value.front() == u' ' || value.front() == u'\t' || value.back() == u' ' ||
                                           value.back() == u'\t')) ||
                       (value.find_first_of(u",;|\t:") != std::u16string::npos && ChangesDetection(raw, value));
    raw = quote ? Quoted(value) : value;
    if (Misreads(l)) {
      if (c == 0) raw = Quoted(value);
      Guard(l);
    }
    return true;
  }
  bool InsertRowAfter(std::int32_t r) {
    const auto vis = Visible();
    if (r < -1 || r >= static_cast<std::int32_t>(vis.size())) return false;
    Line added;
    added.parts.assign(static_cast<std::size_t>(std::max(columnCount, 1)), u"");
    if (Misreads(added)) added.parts[0] = u"\"\"";
    if (r < 0) {
      // Before the first row, or at the end of a text without rows.
      added.eol = DocumentLineEnding();
      if (!vis.empty()) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(vis[0]), added);
      } else {
        if (!lines.empty() && lines.back().eol.empty()) {
          lines.back().eol = added.eol;
          added.eol.clear();
        }
        lines.push_back(added);
      }
      columnCount = std::max(columnCount, 1);
      return true;
    }
    const std::size_t at = vis[static_cast<std::size_t>(r)];
    if (!lines[at].eol.empty()) {
      added.eol = lines[at].eol;
    } else {
      lines[at].eol = DocumentLineEnding();
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at) + 1, added);
    columnCount = std::max(columnCount, 1);
    return true;
  }
  bool DeleteRow(std::int32_t r) {
    const auto vis = Visible();
    if (r < 0 || r >= static_cast<std::int32_t>(vis.size())) return false;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(vis[static_cast<std::size_t>(r)]));
    // A data line that comes first now is guarded against reading as another encoding.
    if (!lines.empty() && !lines.front().hidden && !lines.front().isComment && !lines.front().parts.empty() &&
        !LineText(lines.front()).empty() && StartMisreads(Text()))
      lines.front().parts[0] = Quoted(RefDecode(lines.front().parts[0], trim));
    return true;
  }
  bool DeleteColumn(std::int32_t c) {
    if (c < 0 || c >= columnCount) return false;
    bool any = false;
    for (Line& l : lines) {
      if (l.hidden || l.isComment || static_cast<std::int32_t>(Cells(l).size()) <= c) continue;
      l.parts.erase(l.parts.begin() + c);
      Guard(l);
      any = true;
    }
    if (any) --columnCount;
    return any;
  }
};

// What the user saw stays what it was: every data row of the edited document is, after save and reload, a
// data row at the same place with the same cells; every comment row is still a row (a comment, or a data
// row when what made it preamble is gone). Returns the first difference, or "".
inline std::string RowsSurviveReload(TCsvDocument& edited, TCsvDocument& reloaded) {
  std::map<std::int32_t, std::int32_t> byStart;
  for (std::int32_t r = 0; r < reloaded.RowCount(); ++r) byStart[reloaded.Rows()[static_cast<std::size_t>(r)].LineStart] = r;
  for (std::int32_t r = 0; r < edited.RowCount(); ++r) {
    const TCsvRow& row = edited.Rows()[static_cast<std::size_t>(r)];
    const std::string where = "row " + std::to_string(r) + " (" + Utf16ToUtf8(edited.CellRaw(r, 0)) + "): ";
    const auto it = byStart.find(row.LineStart);
    if (it == byStart.end()) return where + "gone";
    const std::int32_t q = it->second;
    // A blank line above the table's first record is a blank preamble line, whatever it was before.
    const std::size_t start = static_cast<std::size_t>(row.LineStart - 1);
    const bool blank = start >= edited.Text().size() || edited.Text()[start] == u'\r' || edited.Text()[start] == u'\n';
    if (row.IsComment || blank) continue;
    if (reloaded.Rows()[static_cast<std::size_t>(q)].IsComment) return where + "a data row became a comment";
    if (edited.CellCount(r) != reloaded.CellCount(q)) return where + "cell count";
    for (std::int32_t c = 0; c < edited.CellCount(r); ++c)
      if (edited.GetCell(r, c) != reloaded.GetCell(q, c)) return where + "value of cell " + std::to_string(c);
  }
  return {};
}

// The first difference between a document and the model, or "".
inline std::string Compare(TCsvDocument& doc, const Model& m) {
  if (doc.Text() != m.Text()) return "text: " + Utf16ToUtf8(doc.Text()) + " <> " + Utf16ToUtf8(m.Text());
  const auto vis = m.Visible();
  if (doc.RowCount() != static_cast<std::int32_t>(vis.size()))
    return "row count " + std::to_string(doc.RowCount()) + " <> " + std::to_string(vis.size()) + " in " +
           ::testing::PrintToString(Utf16ToUtf8(doc.Text()));
  if (doc.ColumnCount() != m.columnCount)
    return "column count " + std::to_string(doc.ColumnCount()) + " <> " + std::to_string(m.columnCount) + " in " +
           ::testing::PrintToString(Utf16ToUtf8(doc.Text()));
  if (doc.HiddenCommentCount() != m.hidden) return "hidden count";
  for (std::int32_t r = 0; r < doc.RowCount(); ++r) {
    const Line& l = m.lines[vis[static_cast<std::size_t>(r)]];
    const std::string where = "row " + std::to_string(r) + ": ";
    if (doc.Rows()[static_cast<std::size_t>(r)].IsComment != l.isComment) return where + "comment flag";
    const auto cells = m.Cells(l);
    if (doc.CellCount(r) != static_cast<std::int32_t>(cells.size()))
      return where + "cell count " + std::to_string(doc.CellCount(r)) + " <> " + std::to_string(cells.size()) +
             " in " + ::testing::PrintToString(Utf16ToUtf8(doc.Text()));
    for (std::int32_t c = 0; c < doc.CellCount(r); ++c) {
      if (doc.CellRaw(r, c) != cells[static_cast<std::size_t>(c)]) return where + "raw of cell " + std::to_string(c);
      if (doc.GetCell(r, c) != RefDecode(cells[static_cast<std::size_t>(c)], m.trim))
        return where + "value of cell " + std::to_string(c);
    }
  }
  return testing::CheckDocumentInvariants(doc);
}

class Generator {
 public:
  Generator(std::uint32_t seed, bool ansi, char16_t delimiter, std::u16string eolStyle)
      : rng_(seed), ansi_(ansi), delimiter_(delimiter), eolStyle_(std::move(eolStyle)) {}

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Pick(100) < percent; }

  // A line break in the document's style ("x" mixes LF and CR LF).
  std::u16string Break() {
    if (eolStyle_ == u"x") return Chance(50) ? u"\n" : u"\r\n";
    return eolStyle_;
  }

  // A value; now and then one that starts like a comment line ("#", ";", "sep=") or is empty.
  std::u16string Value() {
    std::u16string v = Letters();
    switch (Pick(16)) {
      case 0: return u"#" + v;
      case 1: return u";" + v;
      case 2: return (Chance(50) ? u"sep=" : u"SeP=") + v;
      case 3: return u"";
      default: return v;
    }
  }

  // Letters, quotes, delimiters and line breaks; never starts like a comment line by itself.
  std::u16string Letters() {
    static const std::u16string kUnicode = u"abcdefghxyz0123456789 \u00e9\u00fc\u20ac\u0436\u4e2d\U0001F600";
    static const std::u16string kAnsi = u"abcdefghxyz0123456789 \u00e9\u00fc\u20ac";
    const std::u16string& letters = ansi_ ? (ansi1252_ ? kAnsi : std::u16string(u"abcxyz019 ")) : kUnicode;
    std::u16string v;
    const int len = Pick(6);
    for (int i = 0; i < len; ++i) {
      const int k = Pick(14);
      if (k == 0) {
        v += u'"';
      } else if (k == 1) {
        v += delimiter_;
      } else if (k == 2 && breaksInValues_) {
        v += Break();
      } else {
        std::size_t at = static_cast<std::size_t>(Pick(static_cast<int>(letters.size())));
        if (at > 0 && letters[at] >= 0xDC00 && letters[at] <= 0xDFFF) --at;  // whole surrogate pairs
        v += letters[at];
        if (letters[at] >= 0xD800 && letters[at] <= 0xDBFF) v += letters[at + 1];
      }
    }
    return v;
  }

  // A raw field as a writer would put it; a first field that would start a comment line is quoted.
  std::u16string Field(bool first) {
    std::u16string v = Value();
    const int kind = Pick(5);
    if (kind == 0) return u"";
    if (kind == 1 || v.find_first_of(std::u16string{u'"', delimiter_, u'\r', u'\n'}) != std::u16string::npos ||
        (!v.empty() && (v.front() == u' ' || v.back() == u' ')) || kind == 2) {
      std::u16string raw = u"\"";
      for (char16_t ch : v) raw += ch == u'"' ? u"\"\"" : std::u16string(1, ch);
      return raw + u"\"";
    }
    if (kind == 3) return u" " + v + (delimiter_ == u'\t' ? u" " : u"\t");  // blanks that trimming removes
    if (first && (IsCommentLine(v, 1) || (!v.empty() && v[0] == u';'))) return u"\"" + v + u"\"";
    return v;
  }

  Model Lines(int mode, bool trim) {
    Model m;
    m.delimiter = delimiter_;
    m.mode = mode;
    m.trim = trim;
    const int width = 1 + Pick(5);
    const bool ragged = Chance(40);
    m.ragged = ragged;
    auto add = [&](std::vector<std::u16string> parts) {
      Line line;
      line.parts = std::move(parts);
      line.eol = Break();
      m.lines.push_back(std::move(line));
    };
    // Comment and title lines are taken as they stand: their fields are the pieces between delimiters.
    // Quotes on a comment line mean nothing, so they may hold any; title lines hold none.
    auto addText = [&](const std::u16string& text) {
      std::vector<std::u16string> parts(1);
      for (char16_t ch : text) {
        if (ch == delimiter_) {
          parts.emplace_back();
        } else {
          parts.back() += ch;
        }
      }
      add(parts);
    };
    if (Chance(20)) addText(u"sep=" + std::u16string(1, delimiter_));
    if (Chance(30)) addText(u"Title of the report");
    if (Chance(10)) addText(u"Second title" + std::u16string(1, delimiter_) + u"with a delimiter");
    const int count = Pick(12);
    for (int i = 0; i < count; ++i) {
      if (Chance(10)) {
        static const std::u16string kComments[] = {u"#note", u"#12\" records", u"#\"a", u";note", u"SEP=x"};
        const std::u16string comment = kComments[Pick(5)];
        // (";note;x" would be a data line in a semicolon file.)
        const bool suffix = Chance(50) && !(comment[0] == u';' && delimiter_ == u';');
        addText(comment + (suffix ? std::u16string(1, delimiter_) + u"x\"" : u""));
      } else if (Chance(10)) {
        add({});
      } else {
        std::vector<std::u16string> parts;
        const int n = ragged ? 1 + Pick(width) : width;
        for (int k = 0; k < n; ++k) parts.push_back(Field(k == 0));
        // A ';'-led line may be a comment, which ends at its first line break; the model keeps lines
        // whole, so such a line gets no line break.
        if (delimiter_ == u';' && parts[0].empty() && Join(parts, delimiter_).find_first_of(u"\r\n") != std::u16string::npos)
          parts[0] = u"\"\"";
        add(parts);
      }
    }
    if (!m.lines.empty() && Chance(50) && !m.LineText(m.lines.back()).empty()) m.lines.back().eol.clear();
    return m;
  }

  void SetAnsi1252(bool v) { ansi1252_ = v; }
  // In comment mode 1 a preamble line is cut at every line break, quoted or not, so that one record
  // can become several rows; the model does not follow that, so such files keep line breaks out of
  // their values there (mode 0 covers them).
  void SetBreaksInValues(bool v) { breaksInValues_ = v; }

 private:
  std::mt19937 rng_;
  bool ansi_;
  bool ansi1252_ = true;
  bool breaksInValues_ = true;
  char16_t delimiter_;
  std::u16string eolStyle_;
};

}  // namespace qelvar::testing
