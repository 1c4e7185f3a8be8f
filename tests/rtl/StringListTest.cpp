#include "rtl/StringList.h"
#include "rtl/Exceptions.h"

#include <gtest/gtest.h>

using rtl::TStringList;

TEST(StringList, TextSplitsAtEveryLineEndAndJoinsWithCrLf) {
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour");
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(list.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n");
    list.SetText("a\r\n\r\nb\r\n");
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"a", "", "b"}))
        << "an empty line in the middle stays";
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
}

TEST(StringList, IndexesOutOfRangeRaise) {
    TStringList list{"a"};
    EXPECT_THROW(list.Get(1), rtl::EStringListError);
    EXPECT_THROW(list.Get(-1), rtl::EStringListError);
    EXPECT_THROW(list.Delete(1), rtl::EStringListError);
    list.Insert(1, "b"); // inserting at the end is allowed
    EXPECT_EQ(list[1], "b");
}

TEST(StringList, SearchIgnoresCaseUnlessAsked) {
    TStringList list{"Alpha", "beta"};
    EXPECT_EQ(list.IndexOf("ALPHA"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("ALPHA"), -1);
}

TEST(StringList, SortedListsKeepOrderAndHandleDuplicates) {
    TStringList list{"pear", "apple", "Fig"};
    list.SetSorted(true);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"apple", "Fig", "pear"}));
    EXPECT_EQ(list.Add("banana"), 1);
    EXPECT_EQ(list.Add("APPLE"), 0) << "duplicates are ignored by default";
    EXPECT_EQ(list.Count(), 4);
    list.SetDuplicates(rtl::TDuplicates::dupError);
    EXPECT_THROW(list.Add("fig"), rtl::EStringListError);
    EXPECT_THROW(list.Insert(0, "x"), rtl::EStringListError);
    EXPECT_EQ(list.IndexOf("PEAR"), 3);
}

TEST(StringList, NamesValuesAndCommaText) {
    TStringList list;
    list.SetValue("Host", "ftp.example");
    list.SetValue("Port", "21");
    list.SetValue("host", "other");
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"host=other", "Port=21"}));
    EXPECT_EQ(list.Values("PORT"), "21");
    EXPECT_EQ(list.Names(1), "Port");
    list.SetValue("Port", "");
    EXPECT_EQ(list.Count(), 1);

    list.SetCommaText(R"(plain,"with space","quote""d",,last)");
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"plain", "with space", "quote\"d", "", "last"}));
    EXPECT_EQ(list.CommaText(), R"(plain,"with space","quote""d","",last)");
}

TEST(StringList, ChangeEventsFireOncePerUpdate) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&] { ++changes; };
    list.Add("a");
    EXPECT_EQ(changes, 1);
    list.BeginUpdate();
    list.Add("b");
    list.Add("c");
    list.Exchange(0, 2);
    list.EndUpdate();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"c", "b", "a"}));
    list.Move(0, 2);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"b", "a", "c"}));
    list.AddStrings(list);
    EXPECT_EQ(list.Count(), 6) << "adding a list to itself doubles it once";
}
