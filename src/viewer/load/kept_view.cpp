// What a reload keeps of the view, carried over to the new columns.
#include "viewer/load/kept_view.h"

#include <algorithm>
#include <map>

namespace qelvar {

std::vector<int> MapKeptColumns(const std::vector<std::u16string>& oldNames, const std::vector<std::u16string>& newNames,
                                bool byName) {
  std::vector<int> map(oldNames.size(), -1);
  if (!byName) {
    for (std::size_t i = 0; i < map.size() && i < newNames.size(); ++i) map[i] = static_cast<int>(i);
    return map;
  }
  // Each name's new columns in order; the k-th old column of a name takes the k-th of them.
  std::map<std::u16string_view, std::vector<int>> places;
  for (std::size_t i = 0; i < newNames.size(); ++i) places[newNames[i]].push_back(static_cast<int>(i));
  std::map<std::u16string_view, std::size_t> used;
  for (std::size_t i = 0; i < oldNames.size(); ++i) {
    const auto found = places.find(oldNames[i]);
    if (found == places.end()) continue;
    std::size_t& k = used[oldNames[i]];
    if (k < found->second.size()) map[i] = found->second[k++];
  }
  return map;
}

TCarriedView CarryKeptView(const TKeptView& kept, const std::vector<std::u16string>& newNames) {
  TCarriedView carried;
  TKeptView& view = carried.view;
  view.names = newNames;
  view.byName = kept.byName;
  view.filters.assign(newNames.size(), u"");
  view.hidden.assign(newNames.size(), false);
  view.widths.assign(newNames.size(), -1);
  carried.map = MapKeptColumns(kept.names, newNames, kept.byName);
  const std::vector<int>& map = carried.map;
  for (std::size_t old = 0; old < map.size(); ++old) {
    const int now = map[old];
    if (now < 0) {
      carried.gone.push_back(kept.names[old]);
      continue;
    }
    const auto at = static_cast<std::size_t>(now);
    if (old < kept.filters.size()) view.filters[at] = kept.filters[old];
    if (old < kept.hidden.size()) view.hidden[at] = kept.hidden[old];
    if (old < kept.widths.size()) view.widths[at] = kept.widths[old];
  }
  if (kept.sortColumn >= 0 && static_cast<std::size_t>(kept.sortColumn) < map.size() &&
      map[static_cast<std::size_t>(kept.sortColumn)] >= 0) {
    view.sortColumn = map[static_cast<std::size_t>(kept.sortColumn)];
    view.sortDirection = kept.sortDirection;
  }
  return carried;
}

bool SameColumns(const TKeptView& kept, const std::vector<std::u16string>& newNames) noexcept {
  return kept.names == newNames;
}

std::u16string JoinColumnNames(const std::vector<std::u16string>& names, std::size_t most) {
  std::u16string text;
  for (std::size_t i = 0; i < names.size() && i < most; ++i) text += (i > 0 ? u", " : u"") + names[i];
  if (names.size() > most) text += u", \u2026";
  return text;
}

int FindVisibleIndex(const std::vector<std::int32_t>& visibleRows, std::int32_t documentRow) noexcept {
  if (documentRow < 0) return -1;
  const auto at = std::find(visibleRows.begin(), visibleRows.end(), documentRow);
  return at == visibleRows.end() ? -1 : static_cast<int>(at - visibleRows.begin());
}

}  // namespace qelvar
