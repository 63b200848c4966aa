// Names typed by a person: found in English or the translation, whatever the
// case, accents and "3D"; the closest one suggested after a slip.
#include <gtest/gtest.h>

#include "host/translate.h"
#include "host/words.h"

namespace svt::host {
namespace {

TEST(Words, TransitionsByAnyForm) {
    const std::vector<std::string> names = {"3D Flip", "3D Fly Away", "3D Box Fold"};
    const std::vector<std::string> shown = {"Retournement 3D", "Envol 3D", "Boîte pliante 3D"};
    struct Case {
        const char* typed;
        int index;
        const char* says; // part of the error when index < 0
    } cases[] = {
        {"3d flip", 0, ""},          {"FLIP", 0, ""},          {"3d_fly_away", 1, ""},
        {"retournement", 0, ""},     {"boite-pliante 3d", 2, ""}, {"2", 2, ""},
        {"Flop", -1, "did you mean \"3D Flip\"? The transitions are: Retournement 3D"},
        {"Envoll", -1, "did you mean \"Envol 3D\"?"},
        {"3", -1, "unknown transition \"3\"; the transitions are"},
        {"zzzzzz", -1, "; the transitions are"},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(FindTransition(names, shown, c.typed, &why), c.index) << c.typed;
        EXPECT_NE(why.find(c.says), std::string::npos) << c.typed << ": " << why;
    }
}

TEST(Words, SuggestionsOnlyForSlips) {
    const std::vector<NamePair> entries = {{"Vertical", "Vertikal"}, {"Horizontal", "Horizontal"}, {"Fog", "Nebel"}};
    struct Case {
        const char* typed;
        int index;
        const char* suggestion;
    } cases[] = {{"vertikal", 0, ""}, {"NEBEL", 2, ""}, {"Vertcal", -1, "Vertical"}, {"vertikl", -1, "Vertikal"},
                 {"Fgo", -1, ""},     {"Fo", -1, "Fog"}, {"diagonal", -1, ""},     {"Hori", -1, "Horizontal"}};
    for (const Case& c : cases) {
        std::string suggestion = "unset";
        EXPECT_EQ(FindName(c.typed, entries, &suggestion), c.index) << c.typed;
        if (c.index < 0) {
            EXPECT_EQ(suggestion, c.suggestion) << c.typed;
        }
    }
    EXPECT_EQ(Padded("Décalage", 10), "Décalage  ");
}

} // namespace
} // namespace svt::host
