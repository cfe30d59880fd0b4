#include <tavlets/names.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tavlets::text {
namespace {

using Names = std::vector<std::string>;

struct Labelled {
    const char* sentence;
    Names names;  // the personal names a careful reader marks, in order
};

// Sentences of the kind found in meeting notes and chats, labelled by hand. Some hold names the
// gazetteer cannot know or that are left out on purpose; they keep the recall figure honest.
const std::vector<Labelled>& labelledSet() {
    static const std::vector<Labelled> set = {
        {"Bob will send the slides to Dana tomorrow.", {"Bob", "Dana"}},
        {"Can you ask Maria Lopez to review the contract?", {"Maria Lopez"}},
        {"Maria Lopez and Tom Becker own the launch plan.", {"Maria Lopez", "Tom Becker"}},
        {"Please loop in Sarah Jessica Parker before Friday.", {"Sarah Jessica Parker"}},
        {"Will you book the room for Thursday?", {}},
        {"Ask Will to book the room for Thursday.", {"Will"}},
        {"Will Smith is presenting the roadmap.", {"Will Smith"}},
        {"May I suggest we move the review to June?", {}},
        {"Mark the ticket as done when the fix ships.", {}},
        {"Mark Johnson signed off on the budget.", {"Mark Johnson"}},
        {"Grant access to the staging server for the new hires.", {}},
        {"The grant application is due in March.", {}},
        {"Bill the client for the extra hours.", {}},
        {"Hope the deploy goes well tonight.", {}},
        {"Chase the vendor about the missing invoice.", {}},
        {"We should fly to Austin next week for the offsite.", {}},
        {"Jordan Peterson will not be joining us.", {"Jordan Peterson"}},
        {"The Georgia office needs new badges.", {}},
        {"Upgrade Ruby before the Rails migration.", {}},
        {"Emma's laptop still needs the new image.", {"Emma"}},
        {"Send the notes to Alice, Bob and Carol.", {"Alice", "Bob", "Carol"}},
        {"Dr. Patel approved the study protocol.", {"Dr. Patel"}},
        {"Ms Kowalski will chair the next session.", {"Ms Kowalski"}},
        {"TODO: call the bank about the wire transfer.", {}},
        {"Note: the office is closed on Monday.", {}},
        {"The meeting moved from Tuesday to Wednesday afternoon.", {}},
        {"Budget review on April 14 with finance.", {}},
        {"Jan 5 is the cut-off for expense reports.", {}},
        {"Jan will collect the expense reports.", {"Jan"}},
        {"Let's sync with Priya about the API changes.", {"Priya"}},
        {"Xiaoming fixed the flaky login test.", {"Xiaoming"}},
        {"The PR from John needs one more review.", {"John"}},
        {"BOB SAID THE BUILD IS GREEN.", {}},
        {"ping david when the build is green", {}},
        {"Our new Grace period policy starts in May.", {}},
        {"Kevin O'Brien is out until the 12th.", {"Kevin O'Brien"}},
        {"Mary-Jane picked up the keys from reception.", {"Mary-Jane"}},
        {"Thanks Rachel, that works for me.", {"Rachel"}},
        {"Happy to help with the migration plan.", {}},
        {"Check the Slack channel for the release notes.", {}},
        {"Steve and Linda will split the on-call rota.", {"Steve", "Linda"}},
        {"The customer asked for a refund on Friday.", {}},
        {"Ask Frank whether the numbers are final.", {"Frank"}},
        {"Frank feedback is welcome in the retro.", {}},
        {"Hi Jessica, could you update the deck?", {"Jessica"}},
        {"The Washington team will demo first.", {}},
        {"George Washington is on the one-dollar bill.", {"George Washington"}},
        {"Daniel's PR broke the nightly job.", {"Daniel"}},
        {"Review the Project Atlas milestones with Nina.", {"Nina"}},
        {"Amazon Web Services bills us monthly.", {}},
        {"Sunny Patel will lead QA for the release.", {"Sunny Patel"}},
        {"Sunny weather is forecast for the offsite.", {}},
        {"Olivia and Noah are pairing on the importer.", {"Olivia", "Noah"}},
        {"Carol singers will visit the office in December.", {}},
        {"Forward the invoice to Mohammed and Aisha.", {"Mohammed", "Aisha"}},
        {"We asked Lee Chen to join the interview panel.", {"Lee Chen"}},
        {"The Lincoln Center gala is on Saturday.", {}},
        {"Victoria will send the final numbers.", {"Victoria"}},
        {"Pat approved the travel budget.", {"Pat"}},
        {"Please update the Sales Dashboard before Monday.", {}},
        {"Reach out to Chris at Acme about the renewal.", {"Chris"}},
        {"Joy and Hope are the new interns.", {"Joy", "Hope"}},
    };
    return set;
}

TEST(NamesTest, LabelledSentencesReachPrecisionAndRecallFloors) {
    std::size_t truePositives = 0, found = 0, expected = 0;
    for (const Labelled& l : labelledSet()) {
        Names got = personalNames(l.sentence);
        found += got.size();
        expected += l.names.size();
        std::vector<bool> used(l.names.size(), false);
        for (const std::string& g : got) {
            bool hit = false;
            for (std::size_t k = 0; k < l.names.size(); ++k)
                if (!used[k] && l.names[k] == g) {
                    used[k] = hit = true;
                    break;
                }
            if (hit) ++truePositives;
            else ADD_FAILURE() << "wrong name \"" << g << "\" in: " << l.sentence;
        }
        for (std::size_t k = 0; k < l.names.size(); ++k)
            if (!used[k]) std::printf("  missed \"%s\" in: %s\n", l.names[k].c_str(), l.sentence);
    }
    double precision = found ? double(truePositives) / double(found) : 1.0;
    double recall = expected ? double(truePositives) / double(expected) : 1.0;
    std::printf("name tagger on %zu sentences: precision %.3f (%zu/%zu), recall %.3f (%zu/%zu)\n",
                labelledSet().size(), precision, truePositives, found, recall, truePositives, expected);
    EXPECT_GE(labelledSet().size(), 40u);
    EXPECT_GE(precision, 0.95);
    EXPECT_GE(recall, 0.80);
}

TEST(NamesTest, ExactRanges) {
    struct Case {
        const char* text;
        Names names;
    } cases[] = {
        {"", {}},
        {"Maria Lopez", {"Maria Lopez"}},
        // Surnames join only across plain spaces: not across commas or line ends.
        {"Maria, Lopez", {"Maria"}},
        {"ping Maria\nLopez can wait", {"Maria"}},
        // At most two surnames.
        {"ask Anna Maria Lopez Garcia", {"Anna Maria Lopez"}},
        // A possessive ends the name.
        {"ask Anna's Lopez team", {"Anna"}},
        {"Anna\u2019s notes", {"Anna"}},
        // Acronyms and note words are not surnames.
        {"ask Anna QA first", {"Anna"}},
        {"Emma Todo list", {"Emma"}},
        // Accented surnames.
        {"ask Sofia M\u00FCller today", {"Sofia M\u00FCller"}},
        // Weekdays and months never, even capitalised mid-sentence.
        {"see you Sunday, or in April", {}},
        // A word-like name at the start counts once a surname follows.
        {"Grant Hughes approved it", {"Grant Hughes"}},
        {"Hope Williams, Will and Rose are in", {"Hope Williams", "Will", "Rose"}},
        // Invalid UTF-8 is tolerated.
        {"ask \xFF\xFE Maria", {"Maria"}},
    };
    for (const Case& c : cases) EXPECT_EQ(personalNames(c.text), c.names) << c.text;

    auto ranges = personalNameRanges("Ask Tom Becker and Dana.");
    ASSERT_EQ(ranges.size(), 2u);
    EXPECT_EQ(ranges[0], (Range{4, 14}));
    EXPECT_EQ(ranges[1], (Range{19, 23}));
}

TEST(NamesTest, GazetteerKinds) {
    EXPECT_EQ(givenNameKind("Maria"), GivenNameKind::plain);
    EXPECT_EQ(givenNameKind("Will"), GivenNameKind::word);
    EXPECT_EQ(givenNameKind("Austin"), GivenNameKind::place);
    EXPECT_EQ(givenNameKind("Bank"), GivenNameKind::none);  // left out as an everyday word
    EXPECT_EQ(givenNameKind("maria"), GivenNameKind::none);
    EXPECT_EQ(givenNameKind("Zzyzx"), GivenNameKind::none);
}

}  // namespace
}  // namespace tavlets::text
