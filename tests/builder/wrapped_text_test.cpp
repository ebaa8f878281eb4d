// The wrapping text box's bookkeeping, with lines of at most 12 characters: what is typed, deleted
// and moved over in the box is what the text gets, and the wraps are never part of it.
#include <gtest/gtest.h>

#include "builder/draw/WrappedText.h"

namespace pellam::builderdraw {
namespace {

constexpr size_t kColumns = 12;

// As ImGui's word wrap: a line that fits is whole; else it ends at the last blank that lets it fit,
// or, for a word longer than a line, where the line is full.
size_t breakAt(const std::string& text, size_t begin, size_t end) {
    if (end - begin <= kColumns) return end;
    for (size_t at = begin + kColumns; at > begin; --at)
        if (text[at] == ' ') return at;
    return begin + kColumns;
}

// The box after the keys that replace `erase` characters at `at` of what it shows with `typed`,
// leaving the cursor after them, and the box's own answer: the text unwrapped and wrapped again.
struct Box {
    WrappedText wrapped;
    std::string text;
    size_t cursor = 0;  // in wrapped.shown
    explicit Box(const std::string& t) : wrapped(wrapText(t, breakAt)), text(t) {}
    void edit(size_t at, size_t erase, const std::string& typed, bool forward = false) {
        std::string shown = wrapped.shown;
        shown.replace(at, erase, typed);
        const WrappedText edited = afterEdit(wrapped, shown);
        size_t textAt = at + typed.size();
        text = editedText(wrapped, edited, textAt, forward);
        wrapped = wrapText(text, breakAt);
        cursor = toShown(wrapped, textAt);
        EXPECT_EQ(unwrapped(wrapped), text);
    }
    // The wrap after the first `word` that ends a line.
    size_t wrapAfter(const std::string& word) const { return wrapped.shown.find(word + " \n") + word.size() + 1; }
};

TEST(WrappedText, LongLinesWrapAtBlanksAndTheTextKeepsOnlyItsOwnLineFeeds) {
    const std::string text = "Burn the balloon by the river\nthen home\nunbreakablewordsarecut";
    const WrappedText w = wrapText(text, breakAt);
    EXPECT_EQ(w.shown, "Burn the \nballoon by \nthe river\nthen home\nunbreakablew\nordsarecut");
    EXPECT_EQ(unwrapped(w), text);
    ASSERT_EQ(w.wraps.size(), 3u);
    // Every place in the text has one in the box, and back; a wrap's own place reads as the next line's start.
    for (size_t at = 0; at <= text.size(); ++at) EXPECT_EQ(toText(w, toShown(w, at)), at) << at;
    EXPECT_EQ(toText(w, w.wraps[0]), toText(w, w.wraps[0] + 1));
    EXPECT_EQ(wrapText("", breakAt).shown, "");
}

TEST(WrappedText, TypingAndDeletingAcrossWrapsEditsTheText) {
    Box box("Burn the balloon");
    // Typing at the end: the word that no longer fits goes down, the cursor with it.
    box.edit(box.wrapped.shown.size(), 0, " by the river");
    EXPECT_EQ(box.text, "Burn the balloon by the river");
    EXPECT_EQ(box.cursor, box.wrapped.shown.size());
    // Return at the start of a wrapped line: a line feed of the text's own beside the wrap.
    box.edit(box.wrapAfter("the") + 1, 0, "\n");
    EXPECT_EQ(box.text, "Burn the \nballoon by the river");
    // Backspace at the start of a wrapped line takes the wrap and the blank before it.
    Box back("Burn the balloon");
    back.edit(back.wrapAfter("the"), 1, "");
    EXPECT_EQ(back.text, "Burn theballoon");
    EXPECT_EQ(toText(back.wrapped, back.cursor), 8u);
    // Delete at the end of a line before its wrap takes the next line's first letter.
    Box forward("Burn the balloon");
    forward.edit(forward.wrapAfter("the"), 1, "", true);
    EXPECT_EQ(forward.text, "Burn the alloon");
    // A selection over a wrap and the words either side, typed over.
    Box over("Burn the balloon by the river");
    const size_t from = over.wrapped.shown.find("the \nballoon");
    over.edit(from, std::string("the \nballoon").size(), "a");
    EXPECT_EQ(over.text, "Burn a by the river");
}

}  // namespace
}  // namespace pellam::builderdraw
