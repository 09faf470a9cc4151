#include <algorithm>
#include <string>

#include "document/csv_document.h"
#include "localization/localization.h"
#include "platform/platform.h"
#include "transform/transform.h"

namespace qelvar {
namespace {

std::u16string DecimalText(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

bool ValidIndex(const TTransformConfig& config, std::int32_t index) {
  return index >= 0 && index < config.TargetCount();
}

// "Column %d" (or its translation) with the 1-based column number.
std::u16string GeneratedName(std::int32_t col) {
  std::u16string text = UiText(utColumn);
  const std::u16string number = DecimalText(static_cast<std::int64_t>(col) + 1);
  const std::size_t at = text.find(u"%d");
  if (at != std::u16string::npos) text.replace(at, 2, number);
  return text;
}

}  // namespace

std::u16string SourceColumnName(TCsvDocument* document, bool headerRow, std::int32_t column) {
  std::u16string name;
  if (document && headerRow && document->RowCount() > 0 && column >= 0 && column < document->CellCount(0))
    name = document->GetCell(0, column);
  return name.empty() ? GeneratedName(column) : name;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;  // lower-casing keeps the length in code units
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= 0x80 || y >= 0x80) return platform::ToLower(a.substr(i)) == platform::ToLower(b.substr(i));
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::int32_t IndexOfName(const std::vector<std::u16string>& list, std::u16string_view name) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (SameName(list[i], name)) return static_cast<std::int32_t>(i);
  return -1;
}

std::u16string_view TNameValueMap::ValueOf(std::u16string_view name) const {
  for (const auto& pair : pairs_)
    if (SameName(pair.Name, name)) return pair.Value;
  return {};
}

void TNameValueMap::Set(std::u16string_view name, std::u16string_view value) {
  for (auto& pair : pairs_) {
    if (SameName(pair.Name, name)) {
      pair.Name = std::u16string(name);
      pair.Value = std::u16string(value);
      return;
    }
  }
  pairs_.push_back({std::u16string(name), std::u16string(value)});
}

void TTransformConfig::InitFromDocument(TCsvDocument* document, bool headerRow) {
  InitialHeaders.clear();
  TargetOrder.clear();
  ConstantVars.Clear();
  FillVars.Clear();
  EnumerationVars.Clear();
  RenameHeaders.Clear();
  AddedHeaders.clear();
  if (!document) return;
  const std::int32_t columns = document->ColumnCount();
  InitialHeaders.reserve(static_cast<std::size_t>(columns));
  TargetOrder.reserve(static_cast<std::size_t>(columns));
  for (std::int32_t c = 0; c < columns; ++c) {
    std::u16string name = SourceColumnName(document, headerRow, c);
    InitialHeaders.push_back(name);
    TargetOrder.push_back(std::move(name));
  }
  // A delimiter given by hand may be any character; only one that a load detects again is taken for the
  // export (and only such a one loads back from a transformation file).
  const char16_t delimiter = document->Delimiter();
  for (const char16_t candidate : kDelimiterCandidates)
    if (delimiter == candidate) ExportDelimiter = delimiter;
}

std::u16string TTransformConfig::OutputHeader(std::int32_t index) const {
  if (!ValidIndex(*this, index)) return {};
  const std::u16string& name = TargetOrder[static_cast<std::size_t>(index)];
  const std::u16string_view header = RenameHeaders.ValueOf(name);
  return header.empty() ? name : std::u16string(header);
}

std::u16string TTransformConfig::DisplayText(std::int32_t index) const {
  if (!ValidIndex(*this, index)) return {};
  const std::u16string& name = TargetOrder[static_cast<std::size_t>(index)];
  std::u16string text = DecimalText(static_cast<std::int64_t>(index) + 1) + u". " + name;
  const std::u16string_view header = RenameHeaders.ValueOf(name);
  if (!header.empty()) text.append(u" -> ").append(header);
  if (IndexOfName(AddedHeaders, name) >= 0) text += u" (+)";
  if (!ConstantVars.ValueOf(name).empty()) text += u" [const]";
  if (!FillVars.ValueOf(name).empty()) text += u" [fill]";
  if (!EnumerationVars.ValueOf(name).empty()) text += u" [enum]";
  return text;
}

void TTransformConfig::MoveTarget(std::int32_t index, std::int32_t step) {
  const std::int64_t to = static_cast<std::int64_t>(index) + step;
  if (!ValidIndex(*this, index) || to < 0 || to >= TargetCount()) return;
  MoveTargetTo(index, static_cast<std::int32_t>(to > index ? to + 1 : to));
}

std::int32_t TTransformConfig::MoveTargetTo(std::int32_t index, std::int32_t gap) {
  if (!ValidIndex(*this, index)) return -1;
  const std::int32_t count = TargetCount();
  std::int32_t t = gap < 0 ? 0 : (gap > count ? count : gap);
  if (index < t) --t;
  if (t < 0) t = 0;
  if (t > count - 1) t = count - 1;
  if (t != index) {
    auto& list = TargetOrder;
    std::u16string entry = std::move(list[static_cast<std::size_t>(index)]);
    list.erase(list.begin() + index);
    list.insert(list.begin() + t, std::move(entry));
  }
  return t;
}

std::int32_t TTransformConfig::MaxOutputColumns() const {
  const auto sources = static_cast<std::int64_t>(InitialHeaders.size());
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(std::max<std::int64_t>(kMaxOutputColumns, sources), INT32_MAX));
}

void TTransformConfig::AddColumn(std::int32_t position, std::u16string_view name) {
  if (name.empty() || TargetCount() >= MaxOutputColumns() || IndexOfName(TargetOrder, name) >= 0) return;
  if (position < 0 || position > TargetCount())
    TargetOrder.emplace_back(name);
  else
    TargetOrder.insert(TargetOrder.begin() + position, std::u16string(name));
  AddedHeaders.emplace_back(name);
}

void TTransformConfig::RemoveColumn(std::int32_t index) {
  if (ValidIndex(*this, index)) TargetOrder.erase(TargetOrder.begin() + index);
}

void TTransformConfig::RenameColumn(std::int32_t index, std::u16string_view newHeader) {
  if (ValidIndex(*this, index) && !newHeader.empty())
    RenameHeaders.Set(TargetOrder[static_cast<std::size_t>(index)], newHeader);
}

void TTransformConfig::SetConstant(std::int32_t index, std::u16string_view value) {
  if (ValidIndex(*this, index)) ConstantVars.Set(TargetOrder[static_cast<std::size_t>(index)], value);
}

void TTransformConfig::SetFill(std::int32_t index, std::u16string_view value) {
  if (ValidIndex(*this, index)) FillVars.Set(TargetOrder[static_cast<std::size_t>(index)], value);
}

void TTransformConfig::SetEnumeration(std::int32_t index, std::int64_t start, std::int64_t stop) {
  if (ValidIndex(*this, index))
    EnumerationVars.Set(TargetOrder[static_cast<std::size_t>(index)], DecimalText(start) + u":" + DecimalText(stop));
}

bool TryParseInt64(std::u16string_view text, std::int64_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i == text.size()) return false;
  // Accumulate negatively so that the most negative value fits.
  std::int64_t result = 0;
  constexpr std::int64_t kMin = INT64_MIN;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < u'0' || c > u'9') return false;
    const int digit = c - u'0';
    if (result < (kMin + digit) / 10) return false;
    result = result * 10 - digit;
  }
  if (!negative) {
    if (result == kMin) return false;
    result = -result;
  }
  value = result;
  return true;
}

void ParseSequence(std::u16string_view text, std::int64_t& start, std::int64_t& stop) {
  const std::size_t colon = text.find(u':');
  const std::u16string_view before = text.substr(0, colon);
  const std::u16string_view after = colon == std::u16string_view::npos ? std::u16string_view() : text.substr(colon + 1);
  if (!TryParseInt64(before, start)) start = 1;
  if (!TryParseInt64(after, stop)) stop = start;
}

void SequenceFromInput(std::u16string_view input, std::int64_t& start, std::int64_t& stop) {
  const auto trimmed = [](std::u16string_view text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
    return text;
  };
  const std::size_t colon = input.find(u':');
  const std::u16string_view before =
      colon == std::u16string_view::npos ? std::u16string_view() : input.substr(0, colon);
  const std::u16string_view after = colon == std::u16string_view::npos ? input : input.substr(colon + 1);
  if (!TryParseInt64(trimmed(before), start)) start = 1;
  if (!TryParseInt64(trimmed(after), stop)) stop = kSequenceToEnd;
}

void SequenceFromInput(std::u16string_view input, std::int64_t, std::int64_t& start, std::int64_t& stop) {
  SequenceFromInput(input, start, stop);
}

std::vector<std::u16string> TTransformConfig::MapSourcesByName(const std::vector<std::u16string>& headers) {
  const auto count = [](const std::vector<std::u16string>& list, std::u16string_view name) {
    std::int64_t n = 0;
    for (const auto& entry : list) n += SameName(entry, name) ? 1 : 0;
    return n;
  };
  std::vector<std::u16string> missing;
  for (std::size_t i = 0; i < TargetOrder.size(); ++i) {
    const std::u16string& name = TargetOrder[i];
    if (SourceIndex(name) < 0 || IndexOfName(missing, name) >= 0) continue;
    // The k-th output column of a name reads the k-th source of that name, as far as the recipe has them.
    const std::int64_t needed = std::min(count(TargetOrder, name), count(InitialHeaders, name));
    if (count(headers, name) < needed) missing.push_back(name);
  }
  if (missing.empty()) InitialHeaders = headers;
  return missing;
}

}  // namespace qelvar
