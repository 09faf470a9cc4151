// bench-edit: deleting many rows of a large document at once, and taking edits back.
//
// A seeded 10 MB UTF-8 document (about 220,000 rows by 8 columns, CR LF, some quoted fields) is built in
// memory. Measured: DeleteRows of 200,000 scattered rows (recording them for undo), its undo and redo,
// DeleteColumn with its undo, against the peer the viewer used before: DeleteRow once per row, from the
// last, timed on a few thousand rows and scaled to the same count.
//
// Usage: bench-edit
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "document/csv_document.h"

namespace {

constexpr std::size_t kTargetBytes = 10u * 1000u * 1000u;
constexpr std::int32_t kDeleted = 200000;
constexpr std::int32_t kPeerRows = 2000;

std::string Generate() {
  std::mt19937_64 rng(20240612);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  std::string out = "id,date,name,city,amount,quantity,note,code\r\n";
  out.reserve(kTargetBytes + 256);
  char buf[256];
  for (unsigned long long id = 1; out.size() < kTargetBytes; ++id) {
    const int n = std::snprintf(buf, sizeof buf, "%llu,20%02zu-%02zu-%02zu,n%zu,c%zu,%zu.%02zu,%zu,%s,X%03zu\r\n", id,
                                10 + pick(15), 1 + pick(12), 1 + pick(28), pick(5000), pick(300), pick(10000), pick(100),
                                pick(100), pick(10) == 0 ? "\"a, \"\"b\"\"\"" : "", pick(1000));
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

std::unique_ptr<qelvar::TCsvDocument> Load(const std::string& bytes) {
  std::unique_ptr<qelvar::TCsvDocument> doc;
  if (!qelvar::LoadFromBytes(bytes, 0, qelvar::kCommentsParsed, u"UTF-8", doc, true, 1000)) {
    std::fprintf(stderr, "bench-edit: the document does not load\n");
    std::exit(1);
  }
  return doc;
}

template <typename F>
double Seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// `count` distinct rows spread over the document, in random order.
std::vector<std::int32_t> Scattered(std::int32_t rows, std::int32_t count) {
  std::vector<std::int32_t> all(static_cast<std::size_t>(rows));
  for (std::int32_t r = 0; r < rows; ++r) all[static_cast<std::size_t>(r)] = r;
  std::mt19937 rng(7);
  std::shuffle(all.begin(), all.end(), rng);
  all.resize(static_cast<std::size_t>(std::min(rows, count)));
  return all;
}

}  // namespace

int main() {
  const std::string bytes = Generate();
  auto doc = Load(bytes);
  const std::u16string loaded = doc->Text();
  std::printf("document: %.1f MB, %d rows, %d columns\n", static_cast<double>(bytes.size()) / 1e6, doc->RowCount(),
              doc->ColumnCount());

  const std::vector<std::int32_t> rows = Scattered(doc->RowCount(), kDeleted);
  std::int32_t deleted = 0;
  const double del = Seconds([&] { deleted = doc->DeleteRows(rows); });
  const double undo = Seconds([&] { doc->Undo(); });
  const bool back = doc->Text() == loaded;
  const double redo = Seconds([&] { doc->Redo(); });
  doc->Undo();
  const double column = Seconds([&] { doc->DeleteColumn(2); });
  const double columnUndo = Seconds([&] { doc->Undo(); });
  std::printf("DeleteRows of %d scattered rows:     %8.3f s\n", deleted, del);
  std::printf("  its undo:                            %8.3f s (text back exactly: %s)\n", undo, back ? "yes" : "NO");
  std::printf("  its redo:                            %8.3f s\n", redo);
  std::printf("DeleteColumn of column 2:              %8.3f s\n", column);
  std::printf("  its undo:                            %8.3f s (text back exactly: %s)\n", columnUndo,
              doc->Text() == loaded ? "yes" : "NO");

  // The peer: one DeleteRow per row, from the last; each moves the rest of the text and rows.
  auto peer = Load(bytes);
  std::vector<std::int32_t> some = Scattered(peer->RowCount(), kPeerRows);
  std::sort(some.rbegin(), some.rend());
  const double oneByOne = Seconds([&] {
    for (const std::int32_t r : some) peer->DeleteRow(r);
  });
  std::printf("peer, DeleteRow once per row:          %8.3f s for %d rows, about %.0f s for %d\n", oneByOne, kPeerRows,
              oneByOne * kDeleted / kPeerRows, deleted);
  return back ? 0 : 1;
}
