# What qelvar writes opens fresh as the same table, and lists of values stay one column: each case is a
# shape that once read back as another table, changed a file or lost data while reporting success.
# Included by CMakeLists.txt (cli_test, transform_test, cli_data and expected come from there).

cli_test(safety-list-with-comma-lost-its-header INPUT ${cli_data}/safety-city-list.csv
         STDOUT_REGEX "^{\"columns\": \\[\"city\"\\], \"visibleCount\": 3, .*\"Paris, France\""
         ARGS view @FILE@ --comments 2)
cli_test(safety-list-with-comma-lost-its-rows INPUT ${cli_data}/safety-name-list.csv
         STDOUT_REGEX "\"columnCount\": 1, \"rowCount\": 5, " ARGS inspect @FILE@ --rows 0)
cli_test(safety-semicolon-row-hidden-by-the-sample INPUT ${cli_data}/safety-semicolon-row.csv
         STDOUT_REGEX "\"rowCount\": 3, \"hiddenComments\": 0, " ARGS inspect @FILE@ --samples 2 --comments 2 --rows 0)
cli_test(safety-edit-changed-the-delimiter INPUT ${cli_data}/safety-note.csv WORK
         RESULT ${cli_data}/expected/safety-note-set.csv ARGS edit @FILE@ --set "1:1=see: x")
cli_test(safety-utf16-without-mark-read-as-utf8 INPUT ${cli_data}/safety-utf16le-nomark.csv WORK
         RESULT ${cli_data}/expected/safety-utf16le-nomark-set.csv ARGS edit @FILE@ --set 0:1=Имя)
# No quoting keeps these: the save is refused with the reason and the file stays as it was.
cli_test(safety-edit-turned-the-header-into-preamble INPUT ${cli_data}/safety-header-above-wider.csv WORK RC 1
         RESULT ${cli_data}/safety-header-above-wider.csv STDERR_REGEX "comment or preamble \\(row 0\\)"
         ARGS edit @FILE@ --set 2:3=6)
cli_test(safety-delete-merged-cr-and-lf INPUT ${cli_data}/safety-cr-then-lf.csv WORK RC 1
         RESULT ${cli_data}/safety-cr-then-lf.csv STDERR_REGEX "another number of rows" ARGS edit @FILE@ --delete-row 1)
transform_test(safety-one-column-export-read-as-two EXPECTED ${expected}/safety-quoted-names-export.csv
               ARGS transform ${cli_data}/safety-quoted-names.csv --config ${cli_data}/transform-safety-name.json
               --out @OUT@)
transform_test(safety-export-lost-blanks EXPECTED ${expected}/safety-blanks-export.csv
               ARGS transform ${cli_data}/safety-blanks.csv --config ${cli_data}/transform-safety-ab.json --out @OUT@)
