# qelvar-cli view and transform, end to end, on the real tables and stored transformations. Included by
# CMakeLists.txt after cli_test() is defined.
set(real ${data}/real)
set(expected ${cli_data}/expected)

# ---- view: filters in the order given, then the sort ----
cli_test(view-debian-release-desc INPUT ${real}/debian.csv STDOUT ${expected}/view-debian-release-desc.json
         ARGS view @FILE@ --sort 5:desc)
cli_test(view-debian-filters INPUT ${real}/debian.csv STDOUT ${expected}/view-debian-filters.json
         ARGS view @FILE@ --filter 6=<2005 --filter 2=!a)
cli_test(view-zones-au INPUT ${real}/zone1970.tab STDOUT ${expected}/view-zones-au.json
         ARGS view @FILE@ --comments 2 --no-header --filter 1=AU --sort 3)
cli_test(view-basic-auto-two-rows INPUT ${cli_data}/basic.csv STDOUT ${expected}/view-basic-auto.json
         ARGS view @FILE@ --comments 3 --rows 2)
# (Brackets in the expressions are matched by "." : an unbalanced bracket would stop CMake's list splitting.)
# A later filter on the same column replaces the earlier one; --case-sensitive keeps "B" apart from "b".
cli_test(view-debian-case-sensitive INPUT ${real}/debian.csv
         STDOUT_REGEX "\"visibleCount\": 5, \"rows\": .\n{\"row\": 1, \"cells\": .\"1.1\", \"Buzz\""
         ARGS view @FILE@ --filter 2=b --filter 2=B --case-sensitive)
cli_test(view-zones-equals-ignores-case INPUT ${real}/zone1970.tab
         STDOUT_REGEX "\"visibleCount\": 1, \"rows\": \\[\n{\"row\": [0-9]+, \"cells\": \\[\"AF\", \"\\+3431\\+06912\", \"Asia/Kabul\", \"\"\\]}\n\\]}\n$"
         ARGS view @FILE@ --comments 2 --filter 3==asia/kabul)
cli_test(view-header-only-row INPUT ${real}/debian.csv
         STDOUT_REGEX "^{\"columns\": .\"Column 1\", [^\n]*\"visibleCount\": 23, \"rows\": .\n{\"row\": 0, \"cells\": .\"version\""
         ARGS view @FILE@ --no-header --rows 1)
cli_test(view-no-column INPUT ${real}/debian.csv RC 2 STDERR_REGEX "^qelvar-cli: --sort 9: the table has no column 9 .it has 8.\nSee 'qelvar-cli view --help'.\n$"
         ARGS view @FILE@ --sort 9)
cli_test(view-bad-sort INPUT ${real}/debian.csv RC 2 STDERR_REGEX "--sort 2:up: takes COL, COL:asc or COL:desc" ARGS view @FILE@ --sort 2:up)
cli_test(view-bad-filter INPUT ${real}/debian.csv RC 2 STDERR_REGEX "--filter x: takes COL=TEXT" ARGS view @FILE@ --filter x)
cli_test(view-missing INPUT ${cli_data}/no-such-file.csv RC 1 STDERR_REGEX "no-such-file.csv: no such file" ARGS view @FILE@)

# ---- transform: a saved transformation applied and exported ----
function(transform_test name)
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT name IN_LIST cli_win32_cases)
    return()
  endif()
  cmake_parse_arguments(T "" "RC;EXPECTED;STDERR_REGEX;OUT" "ARGS" ${ARGN})
  if(NOT T_OUT)
    set(T_OUT ${CMAKE_CURRENT_BINARY_DIR}/work/${name}/out.csv)
  endif()
  string(JOIN "|" args ${T_ARGS})
  set(defs "-DRUN=${cli_run}" "-DARGS=${args}" "-DOUT=${T_OUT}")
  cli_add_run(${name} run_transform.cmake "${defs}" RC EXPECTED STDERR_REGEX)
endfunction()

transform_test(transform-debian EXPECTED ${expected}/transform-debian.csv
               ARGS transform ${real}/debian.csv --config ${cli_data}/transform-debian.json --out @OUT@)
transform_test(transform-zones-no-header EXPECTED ${expected}/transform-zones.csv
               ARGS transform ${real}/zone1970.tab --comments 2 --no-header
                    --config ${cli_data}/transform-zones.json --out @OUT@)
transform_test(transform-empty-target RC 1 STDERR_REGEX "^qelvar-cli: [^\n]*transform-empty-target.json: is no transformation file"
               ARGS transform ${real}/debian.csv --config ${cli_data}/transform-empty-target.json --out @OUT@)
transform_test(transform-missing-member RC 1 STDERR_REGEX "transform-no-rename.json: is no transformation file"
               ARGS transform ${real}/debian.csv --config ${cli_data}/transform-no-rename.json --out @OUT@)
transform_test(transform-not-json RC 1 STDERR_REGEX "debian.csv: is no transformation file"
               ARGS transform ${real}/debian.csv --config ${real}/debian.csv --out @OUT@)
transform_test(transform-missing-folder RC 1 STDERR_REGEX "missing/out.csv: its folder does not exist\n$"
               OUT ${CMAKE_CURRENT_BINARY_DIR}/work/transform-missing-folder/missing/out.csv
               ARGS transform ${real}/debian.csv --config ${cli_data}/transform-debian.json --out @OUT@)
transform_test(transform-usage RC 2 STDERR_REGEX "--out is required\nSee 'qelvar-cli transform --help'"
               ARGS transform ${real}/debian.csv --config ${cli_data}/transform-debian.json)
# Repeated header names: the identity transformation exports every column, not the first one twice.
transform_test(transform-repeated-names EXPECTED ${expected}/transform-repeated-names.csv
               ARGS transform ${cli_data}/repeated-names.csv --config ${cli_data}/transform-identity-repeated.json
                    --out @OUT@)
# An export delimiter that a load would not detect (here a quote) fails the load of the file.
transform_test(transform-quote-delimiter RC 1 STDERR_REGEX "transform-quote-delimiter.json: is no transformation file"
               ARGS transform ${cli_data}/repeated-names.csv --config ${cli_data}/transform-quote-delimiter.json
                    --out @OUT@)
