// ICU plumbing shared by the text layer: UTF-8 texts and break-iterator prototypes.

#include "text/text_internal.hpp"

#include <unicode/filteredbrk.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <stdexcept>

namespace tavlets::text {

namespace {
const char kEmpty[] = "";
}

Utf8Text::Utf8Text(std::string_view s) {
    UErrorCode status = U_ZERO_ERROR;
    const char* data = s.data() ? s.data() : kEmpty;
    utext_openUTF8(&ut_, data, static_cast<int64_t>(s.size()), &status);
    if (U_FAILURE(status)) throw std::runtime_error("cannot open a UTF-8 text");
}

Utf8Text::~Utf8Text() { utext_close(&ut_); }

namespace {

// English sentences that do not end after an abbreviation: ICU's own English list ("Mr.",
// "Mrs.", ...) plus titles that practically never end a sentence.
std::unique_ptr<icu::BreakIterator> makeSentencePrototype(UErrorCode& status) {
    std::unique_ptr<icu::BreakIterator> base(icu::BreakIterator::createSentenceInstance(icu::Locale::getEnglish(), status));
    if (U_FAILURE(status)) return nullptr;
    std::unique_ptr<icu::FilteredBreakIteratorBuilder> builder(
        icu::FilteredBreakIteratorBuilder::createInstance(icu::Locale::getEnglish(), status));
    if (U_FAILURE(status) || !builder) {
        status = U_ZERO_ERROR;
        return base;  // no suppression data: plain sentence rules
    }
    for (const char* abbreviation : {"Dr.", "Prof.", "Mr.", "Mrs.", "Ms.", "Mx.", "Rev.", "Gen.", "Capt.", "Lt.",
                                     "Col.", "Sgt.", "Hon.", "vs.", "e.g.", "i.e.", "E.g.", "I.e.", "cf.", "approx."})
        builder->suppressBreakAfter(icu::UnicodeString(abbreviation, -1, US_INV), status);
    status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> filtered(builder->build(base.release(), status));
    if (U_FAILURE(status)) return nullptr;
    return filtered;
}

std::unique_ptr<icu::BreakIterator> makePrototype(BreakKind kind) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it;
    switch (kind) {
        case BreakKind::character:
            it.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
            break;
        case BreakKind::word:
            it.reset(icu::BreakIterator::createWordInstance(icu::Locale("en"), status));
            break;
        case BreakKind::sentence:
            it = makeSentencePrototype(status);
            break;
    }
    if (U_FAILURE(status) || !it) throw std::runtime_error("ICU break iterator data is missing");
    return it;
}

const icu::BreakIterator& prototype(BreakKind kind) {
    // Each is built on first use and never mutated afterwards, so concurrent clone() calls on
    // it are safe.
    switch (kind) {
        case BreakKind::word: {
            static const auto word = makePrototype(BreakKind::word);
            return *word;
        }
        case BreakKind::sentence: {
            static const auto sentence = makePrototype(BreakKind::sentence);
            return *sentence;
        }
        case BreakKind::character:
            break;
    }
    static const auto character = makePrototype(BreakKind::character);
    return *character;
}

}  // namespace

std::unique_ptr<icu::BreakIterator> newBreakIterator(BreakKind kind) {
    std::unique_ptr<icu::BreakIterator> it(prototype(kind).clone());
    if (!it) throw std::bad_alloc();
    return it;
}

}  // namespace tavlets::text
