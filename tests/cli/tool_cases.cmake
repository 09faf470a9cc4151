# qelvar-cli as a tool: messages, help, pipes, table output and recipes applied to other files. Included by
# CMakeLists.txt after cli_test() and transform_test() are defined.
set(expected ${cli_data}/expected)
set(recipe ${cli_data}/transform-recipe.json)

# ---- what a refusal says: the file, the reason, and the help of the command for usage ----
cli_test(inspect-folder INPUT ${cli_data} RC 1 STDERR_REGEX "^qelvar-cli: [^\n]*/cli: is a folder, not a file\n$"
         ARGS inspect @FILE@)
cli_test(usage-names-the-argument INPUT ${cli_data}/basic.csv RC 2
         STDERR_REGEX "^qelvar-cli: The following argument was not expected: --bogus\nSee 'qelvar-cli view --help'.\n$"
         ARGS view @FILE@ --bogus)
cli_test(usage-unknown-command INPUT ${cli_data}/basic.csv RC 2
         STDERR_REGEX "^qelvar-cli: unknown command show [^\n]*\nSee 'qelvar-cli --help'.\n$" ARGS show @FILE@)
cli_test(usage-columns-count-from-one INPUT ${cli_data}/recipe-reordered.csv RC 2
         STDERR_REGEX "^qelvar-cli: --columns 0: columns count from 1" ARGS view @FILE@ --columns 0)
cli_test(edit-column-beyond-table INPUT ${cli_data}/edit-plain.csv WORK RC 1 RESULT ${cli_data}/edit-plain.csv
         STDERR_REGEX "edit-plain.csv: refused --set 1:4=x: the table has no column 4 .it has 3.. nothing was written"
         ARGS edit @FILE@ --set 1:2=y --set 1:4=x)

# ---- help and version ----
cli_test(help-per-command INPUT ${cli_data}/basic.csv
         STDOUT_REGEX "^Apply the operations[^\n]*\nUsage: qelvar-cli edit .*--set ROW:COL=VALUE.*Exit codes: 0 done@SEMI@ 1 "
         ARGS edit --help)
cli_test(help-short INPUT ${cli_data}/basic.csv STDOUT_REGEX "Usage: qelvar-cli .*inspect.*view.*edit.*transform"
         ARGS -h)
cli_test(version-short INPUT ${cli_data}/basic.csv STDOUT_REGEX "^qelvar-cli [0-9.]+\n$" ARGS -V)
# After "--" a word is a file even when it looks like an option.
cli_test(end-of-options INPUT ${cli_data}/basic.csv RC 1 STDERR_REGEX "^qelvar-cli: --rows: no such file\n$"
         ARGS inspect -- --rows)

# ---- pipes: "-" reads standard input, --out - writes standard output ----
cli_test(inspect-stdin INPUT ${cli_data}/basic.csv STDIN ${cli_data}/basic.csv STDOUT ${expected}/basic.json
         ARGS inspect -)
cli_test(inspect-stdin-unbalanced INPUT ${cli_data}/basic.csv STDIN ${cli_data}/unbalanced.csv RC 1
         STDERR_REGEX "^qelvar-cli: standard input: line 2, column 1: a quoted field opens here" ARGS inspect -)
cli_test(edit-stdin-to-stdout INPUT ${cli_data}/basic.csv STDIN ${cli_data}/edit-plain.csv
         STDOUT ${expected}/edit-plain-set.csv ARGS edit - --set 1:2=Anna)
# --out - leaves the file itself alone.
cli_test(edit-out-stdout INPUT ${cli_data}/edit-plain.csv WORK RESULT ${cli_data}/edit-plain.csv
         STDOUT ${expected}/edit-plain-set.csv ARGS edit @FILE@ --set 1:2=Anna --out -)
cli_test(transform-stdin-stdout INPUT ${cli_data}/basic.csv STDIN ${cli_data}/recipe-source.csv
         STDOUT ${expected}/transform-recipe-source.csv ARGS transform - --config ${recipe} --out -)

# ---- view as a table ----
cli_test(view-csv-columns-by-name INPUT ${cli_data}/recipe-reordered.csv
         STDOUT_REGEX "^id@SEMI@Stadt\r?\n3@SEMI@Linz\r?\n4@SEMI@Bern\r?\n5@SEMI@Chur\r?\n$"
         ARGS view @FILE@ --format csv --columns id,stadt)
cli_test(view-tsv-sorted-by-name INPUT ${cli_data}/recipe-reordered.csv
         STDOUT_REGEX "^extra\tName\r?\nz\tEd\r?\ny\tDi\r?\nx\tCy\r?\n$"
         ARGS view @FILE@ --format tsv --columns 4,1 --sort Name:desc)
# A value holding the chosen delimiter is quoted; the filter and --rows apply as in JSON.
cli_test(view-csv-out-delimiter INPUT ${data}/real/debian.csv
         STDOUT_REGEX "^codename-created\r?\nBuzz-\"1993-08-16\"\r?\n$"
         ARGS view @FILE@ --format csv --out-delimiter - --columns 2,4 --rows 1 --filter version=1.1)

# ---- the same order on every system: accents second to letters, case ignored, digits as numbers ----
# The same expected file natively (ICU) and under Wine (the system's comparison).
cli_test(view-sorts-as-windows INPUT ${cli_data}/sort-words.csv STDOUT ${expected}/sort-words-sorted.csv
         ARGS view @FILE@ --sort 1 --format csv)

# ---- recipes on other files: columns by name, a sequence to the end ----
transform_test(transform-recipe-reordered EXPECTED ${expected}/transform-recipe-reordered.csv
               ARGS transform ${cli_data}/recipe-reordered.csv --config ${recipe} --out @OUT@)
transform_test(transform-recipe-missing-column RC 1
               STDERR_REGEX "recipe-missing.csv: lacks the column \"Stadt\" that [^\n]*transform-recipe.json reads@SEMI@ nothing was written\n$"
               ARGS transform ${cli_data}/recipe-missing.csv --config ${recipe} --out @OUT@)

# ---- a reader that stops early (head) ends the program quietly ----
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME cli-broken-pipe-is-quiet
           COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:qelvar-cli>
                   -DWORK=${CMAKE_CURRENT_BINARY_DIR}/work/broken-pipe -P ${CMAKE_CURRENT_SOURCE_DIR}/broken_pipe.cmake)
endif()

# ---- view --follow: appended rows as they come ----
cli_test(view-follow-with-sort INPUT ${cli_data}/basic.csv RC 2
         STDERR_REGEX "^qelvar-cli: --follow cannot go with --sort[^\n]*\nSee 'qelvar-cli view --help'.\n$"
         ARGS view @FILE@ --follow --sort 1)
cli_test(view-follow-standard-input INPUT ${cli_data}/basic.csv STDIN ${cli_data}/basic.csv RC 2
         STDERR_REGEX "^qelvar-cli: --follow needs a file: " ARGS view - --follow)
cli_test(view-follow-missing-file INPUT ${cli_data}/no-such-file.csv RC 1
         STDERR_REGEX "^qelvar-cli: [^\n]*no-such-file.csv: no such file\n$" ARGS view @FILE@ --follow)
if(NOT CMAKE_CROSSCOMPILING)
  # A writer and a reader in the background: a script of the host.
  add_test(NAME cli-view-follow-appended-rows
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/follow.sh $<TARGET_FILE:qelvar-cli> ${CMAKE_CURRENT_BINARY_DIR}/work/follow)
  set_tests_properties(cli-view-follow-appended-rows PROPERTIES TIMEOUT 60)
endif()

# A recipe that is not there is named as such, not as a bad file.
transform_test(transform-config-missing RC 1 STDERR_REGEX "^qelvar-cli: [^\n]*no-such.json: no such file\n$"
               ARGS transform ${cli_data}/recipe-source.csv --config ${cli_data}/no-such.json --out @OUT@)
cli_test(usage-count INPUT ${cli_data}/basic.csv RC 2 STDERR_REGEX "^qelvar-cli: --rows: x is no count" ARGS inspect @FILE@ --rows x)
