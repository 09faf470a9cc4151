// The viewer's command table, enabled states, key bindings and load choices: rules that need no window.
#include <gtest/gtest.h>

#include "viewer/commands.h"
#include "viewer/load/decline_rule.h"
#include "viewer/load/load_choices.h"

namespace qelvar {
namespace {

// Edit mode on the document's grid of 3 rows x 2 columns, the cell (1, 1) current, line numbers shown.
TCommandState Editable() {
  TCommandState state;
  state.editMode = true;
  state.hasDocument = true;
  state.currentRow = 1;
  state.currentColumn = 2;
  state.rowCount = 3;
  state.lineNumberOffset = 1;
  state.documentColumns = 2;
  return state;
}

TEST(ViewerCommands, EditingCommandsNeedEditModeTheDocumentsViewAndTheirCell) {
  struct Case {
    const char* what;
    void (*change)(TCommandState&);
    bool insert, deleteRows, deleteColumn;
  };
  const Case cases[] = {
      {"editable", [](TCommandState&) {}, true, true, true},
      {"view mode", [](TCommandState& s) { s.editMode = false; }, false, false, false},
      {"transformed view", [](TCommandState& s) { s.transformedView = true; }, false, false, false},
      {"no current row", [](TCommandState& s) { s.currentRow = -1; }, false, true, true},
      {"row past the list", [](TCommandState& s) { s.currentRow = 3; }, false, true, true},
      {"line-number column", [](TCommandState& s) { s.currentColumn = 0; }, true, true, false},
      {"no current column", [](TCommandState& s) { s.currentColumn = -1; }, true, true, false},
      {"column past the document", [](TCommandState& s) { s.currentColumn = 3; }, true, true, false},
      {"no document", [](TCommandState& s) { s.hasDocument = false; }, true, true, false},
      // A header right-click makes a column current without a row: the column may still go.
      {"column without row", [](TCommandState& s) { s.currentRow = -1; s.currentColumn = 1; }, false, true, true},
      // A large file still being read is never edited in part.
      {"file still loading", [](TCommandState& s) { s.wholeFile = false; }, false, false, false},
  };
  for (const Case& c : cases) {
    TCommandState state = Editable();
    c.change(state);
    EXPECT_EQ(CommandEnabled(cmInsertRowBelow, state), c.insert) << c.what;
    // Above and at the end need no current row: an empty or fully filtered table gains its first row.
    for (const int id : {cmInsertRowAbove, cmAppendRow})
      EXPECT_EQ(CommandEnabled(id, state), state.editMode && !state.transformedView && state.wholeFile) << c.what;
    EXPECT_EQ(CommandEnabled(cmDeleteRows, state), c.deleteRows) << c.what;
    EXPECT_EQ(CommandEnabled(cmDeleteColumn, state), c.deleteColumn) << c.what;
  }
  // Outside edit mode too, what would save, reshape or copy a whole column waits for the whole file.
  TCommandState loading;
  loading.wholeFile = false;
  for (const int id : {cmSave, cmCopyColumn, cmToggleTransformMode}) {
    EXPECT_FALSE(CommandEnabled(id, loading)) << id;
    EXPECT_TRUE(NeedsWholeFile(id)) << id;
    EXPECT_TRUE(CommandEnabled(id, TCommandState{})) << id;
  }
  EXPECT_FALSE(NeedsWholeFile(cmCopyCell));
  EXPECT_TRUE(CommandEnabled(cmCopyRows, loading));
}

TEST(ViewerCommands, EveryOtherCommandIsAlwaysEnabledAndEveryMenuCommandHasAText) {
  const TCommandState nothing;
  for (const TCommandId id : {cmCopyCell, cmCopyRows, cmCopyColumn, cmHideColumn, cmShowAllColumns, cmAutoSizeColumns,
                       cmToggleFilterRow, cmToggleHeaderRow, cmToggleEditMode, cmToggleTransformMode, cmSave,
                       cmToggleLineNumbers, cmThemeTc, cmThemeLight, cmThemeDark}) {
    EXPECT_TRUE(CommandEnabled(id, nothing)) << id;
    ASSERT_NE(FindCommand(id), nullptr) << id;
    EXPECT_NE(FindCommand(id)->text, kNoUiText) << id;
  }
  EXPECT_TRUE(CommandEnabled(12345, nothing));
  EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST(ViewerCommands, WmCommandReachesMenuAndPanelIdsButNoKeyOnlyCommand) {
  EXPECT_TRUE(IsDispatchedCommand(cmCopyCell));
  EXPECT_TRUE(IsDispatchedCommand(cmRedo));
  EXPECT_TRUE(IsDispatchedCommand(cmTransformApplyToGrid));
  for (const int id : {int{cmHelp}, int{cmZoomIn}, int{cmCursorDown}, int{cmEditCell}, int{cmCopyByKey},
                       kTransformListId, 4999})
    EXPECT_FALSE(IsDispatchedCommand(id)) << id;
}

TEST(ViewerKeys, EachKeyRunsItsCommandWhereItsBindingSays) {
  TKeyContext grid;
  grid.state = Editable();
  grid.loaded = true;
  grid.gridFocused = true;
  grid.target = TKeyTarget::GridControl;
  TKeyContext window = grid;
  window.gridFocused = false;
  window.target = TKeyTarget::Window;
  TKeyContext editBox = grid;
  editBox.gridFocused = false;
  editBox.target = TKeyTarget::Other;
  TKeyContext viewMode = grid;
  viewMode.state.editMode = false;
  TKeyContext loading = editBox;
  loading.loaded = false;
  TKeyContext shifted = grid;
  shifted.shift = true;
  TKeyContext viewModeShifted = viewMode;
  viewModeShifted.shift = true;

  struct Case {
    int key;
    bool ctrl;
    const TKeyContext& context;
    int command;  // 0: not consumed
    bool run;
  };
  const Case cases[] = {
      {kKeyF1, false, editBox, cmHelp, true},
      {kKeyF1, true, loading, cmHelp, true},
      {kKeyAdd, true, loading, cmZoomIn, true},
      {kKeySubtract, true, editBox, cmZoomOut, true},
      {kKeyAdd, false, grid, 0, false},
      // Ctrl shortcuts are the viewer's before the load too, but run only once the grid is shown.
      {'S', true, editBox, cmSave, true},
      {'S', true, loading, cmSave, false},
      {'E', true, grid, cmToggleEditMode, true},
      {'R', true, grid, cmToggleEditMode, true},
      {'T', true, grid, cmToggleTransformMode, true},
      {'H', true, grid, cmAutoSizeColumns, true},
      {kKeySpace, true, grid, cmShowAllColumns, true},
      {'S', false, grid, 0, false},
      {kKeySpace, false, grid, 0, false},
      {kKeyLeft, false, editBox, cmCursorLeft, true},
      {kKeyDown, true, grid, cmCursorDown, true},
      {kKeyF2, false, grid, cmEditCell, true},
      {kKeyF2, false, window, 0, false},
      {kKeyReturn, false, grid, cmEditCell, true},
      {kKeyReturn, false, viewMode, 0, false},
      {kKeyReturn, false, window, 0, false},
      // Undo and redo from the grid or the window in edit mode; an edit box keeps them for its text.
      {'Z', true, grid, cmUndo, true},
      {'Y', true, window, cmRedo, true},
      {'Z', true, editBox, 0, false},
      {'Z', true, viewMode, 0, false},
      {'Z', false, grid, 0, false},
      // C copies from the grid's controls only, whatever the modifiers; on an editable cell in edit mode
      // C and Shift+C are typing, Ctrl+C still copies.
      {'C', false, viewMode, cmCopyByKey, true},
      {'C', false, viewModeShifted, cmCopyByKey, true},
      {'C', false, grid, 0, false},
      {'C', false, shifted, 0, false},
      {'C', true, grid, cmCopyByKey, true},
      {'C', false, window, 0, false},
      {'C', false, editBox, 0, false},
      {'A', true, viewMode, cmSelectAllRows, true},
      {'A', true, editBox, 0, false},
      {'A', false, viewMode, 0, false},
      // Insert adds a row above, Shift+Insert one at the end, from the grid in edit mode only.
      {kKeyInsert, false, grid, cmInsertRowAbove, true},
      {kKeyInsert, false, shifted, cmAppendRow, true},
      {kKeyInsert, false, viewModeShifted, 0, false},
      {kKeyInsert, false, editBox, 0, false},
      // Delete clears the current cell where typing would edit it.
      {kKeyDelete, false, grid, cmClearCell, true},
      {kKeyDelete, false, viewMode, 0, false},
      {kKeyDelete, false, window, 0, false},
      {'X', true, grid, cmDeleteRows, true},
      {'X', true, viewMode, 0, false},
      {'X', true, window, 0, false},
      {'X', false, grid, 0, false},
      {'Q', false, grid, 0, false},
  };
  for (const Case& c : cases) {
    const TKeyAction action = KeyAction(c.key, c.ctrl, c.context);
    EXPECT_EQ(action.command, c.command) << c.key << (c.ctrl ? " with Ctrl" : "");
    if (c.command != 0) {
      EXPECT_EQ(action.run, c.run) << c.key;
    }
  }

  TKeyContext transformed = grid;
  transformed.state.transformedView = true;
  EXPECT_EQ(KeyAction(kKeyReturn, false, transformed).command, 0);
  TKeyContext lineNumbers = grid;
  lineNumbers.state.currentColumn = 0;
  EXPECT_EQ(KeyAction(kKeyReturn, false, lineNumbers).command, 0);
  // Typing edits a cell only where Enter would open its editor.
  EXPECT_TRUE(TypesIntoCell(grid));
  for (const TKeyContext* c : {&transformed, &lineNumbers, &viewMode, &window, &editBox})
    EXPECT_FALSE(TypesIntoCell(*c));
}

TEST(ViewerLoadChoices, EachPopupCommandSetsItsChoiceAndNothingElse) {
  struct Case {
    int id;
    TLoadChoices expected;
  };
  const TLoadChoices start{u"UTF-8", u';', false, 1, false};
  const Case cases[] = {
      {cmEncodingAnsi, {u"ANSI", u';', false, 1, false}},
      {cmEncodingUtf16Be, {u"UTF-16BE", u';', false, 1, false}},
      {cmDelimiterComma, {u"UTF-8", u',', false, 1, false}},
      {cmDelimiterTab, {u"UTF-8", u'\t', false, 1, false}},
      {cmDelimiterColon, {u"UTF-8", u':', false, 1, false}},
      {cmDelimiterAuto, {u"UTF-8", 0, true, 1, false}},
      {cmCommentsParse, {u"UTF-8", u';', false, 0, false}},
      {cmCommentsHide, {u"UTF-8", u';', false, 2, false}},
      {cmCommentsAuto, {u"UTF-8", u';', false, 3, true}},
  };
  for (const Case& c : cases) {
    TLoadChoices choices = start;
    EXPECT_TRUE(ApplyLoadChoice(c.id, choices)) << c.id;
    EXPECT_EQ(choices, c.expected) << c.id;
  }
  TLoadChoices choices = start;
  EXPECT_FALSE(ApplyLoadChoice(cmSave, choices));
  EXPECT_EQ(choices, start);

  EXPECT_EQ(RequestedDelimiter(start), u';');
  EXPECT_EQ(RequestedDelimiter(TLoadChoices{u"", u';', true, 0, false}), 0);
  EXPECT_EQ(DelimiterLabel(u'\t'), u"TAB");
  EXPECT_EQ(DelimiterLabel(u'|'), u"|");
}

TEST(ViewerDeclines, OnlyFilesOverTheUsersLimitOrBeyondThe64BitMachinesMemory) {
  constexpr std::uint64_t kGig = std::uint64_t{1} << 30;
  struct Case {
    std::uint64_t size;
    std::int64_t limit;
    std::uint64_t memory;
    bool wide;
    bool declined;
  };
  const Case cases[] = {
      {100, 10, 16 * kGig, true, true},             // over the user's limit
      {10, 10, 16 * kGig, true, false},             // at it
      {100, 10, 16 * kGig, false, true},            // the limit holds for 32 bits too
      {5 * kGig, 0, 16 * kGig, true, false},        // no limit by default
      {6 * kGig, 0, 16 * kGig, true, true},         // its load would not fit the memory
      {6 * kGig, -1, 16 * kGig, false, false},      // 32 bits show what fits instead
      {100 * kGig, 0, 0, true, false},              // memory unknown: no such limit
  };
  for (const Case& c : cases)
    EXPECT_EQ(DeclinesFile(c.size, c.limit, c.memory, c.wide), c.declined) << c.size << " " << c.limit;
}

}  // namespace
}  // namespace qelvar
