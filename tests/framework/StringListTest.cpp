#include "support/gtest.h"

#include <windows.h>

#include "framework/ShellFolders.h"
#include "framework/StringList.h"

namespace {

std::vector<std::string> Items(const TStrings& s) {
  std::vector<std::string> r;
  for (int i = 0; i < s.Count(); ++i) r.push_back(s[i]);
  return r;
}

TEST(TStrings, NamesAndValues) {
  TStringList list;
  list.SetText("a=1\r\nb=\r\n=x\r\nnoeq\r\nc=d=e\r\nA=second\r\n");
  struct Case {
    int index;
    std::string name, value;
  } cases[] = {{0, "a", "1"}, {1, "b", ""}, {2, "", "x"}, {3, "", ""}, {4, "c", "d=e"}, {5, "A", "second"}};
  for (const Case& c : cases) {
    EXPECT_EQ(list.Names(c.index), c.name) << c.index;
    EXPECT_EQ(list.ValueFromIndex(c.index), c.value) << c.index;
  }
  struct Lookup {
    std::string name;
    int index;
    std::string value;
  } lookups[] = {{"a", 0, "1"}, {"A", 0, "1"}, {"b", 1, ""}, {"", 2, "x"}, {"noeq", -1, ""}, {"c", 4, "d=e"},
                 {"missing", -1, ""}};
  for (const Lookup& l : lookups) {
    EXPECT_EQ(list.IndexOfName(l.name), l.index) << l.name;
    EXPECT_EQ(list.Values(l.name), l.value) << l.name;
  }
  list.CaseSensitive = true;
  EXPECT_EQ(list.IndexOfName("A"), 5);
  list.CaseSensitive = false;

  list.SetValue("b", "2");
  EXPECT_EQ(list[1], "b=2");
  list.SetValue("new", "v");
  EXPECT_EQ(list[list.Count() - 1], "new=v");
  list.SetValue("a", "");  // an empty value removes the line
  EXPECT_EQ(list.IndexOfName("a"), 4);  // now "A=second"
  list.NameValueSeparator = ':';
  list.Add("key:val");
  EXPECT_EQ(list.Values("key"), "val");
}

TEST(TStrings, CommaAndDelimitedText) {
  struct Case {
    std::vector<std::string> items;
    std::string text;
  } writes[] = {
      {{"a", "b c", "d"}, "a,\"b c\",d"},
      {{""}, "\"\""},
      {{}, ""},
      {{"a", ""}, "a,"},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"x,y", "tab\there"}, "\"x,y\",\"tab\there\""},
      {{"\xC3\xA9t\xC3\xA9"}, "\xC3\xA9t\xC3\xA9"},
  };
  for (const Case& c : writes) {
    TStringList list;
    for (const std::string& s : c.items) list.Add(s);
    EXPECT_EQ(list.CommaText(), c.text);
    TStringList back;
    back.SetCommaText(c.text);
    EXPECT_EQ(Items(back), c.items) << c.text;
  }
  struct Parse {
    std::string text;
    std::vector<std::string> items;
  } reads[] = {
      {"a, b ,c", {"a", "b", "c"}},
      {"a b", {"a", "b"}},
      {"  lead", {"lead"}},
      {"\"a b\",c", {"a b", "c"}},
      {",", {"", ""}},
      {"a,,b", {"a", "", "b"}},
      {"\"unterminated", {"unterminated"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"a\"b", {"a", "b"}},
  };
  for (const Parse& p : reads) {
    TStringList list;
    list.SetCommaText(p.text);
    EXPECT_EQ(Items(list), p.items) << p.text;
  }
  TStringList strict;
  strict.Delimiter = ';';
  strict.StrictDelimiter = true;
  strict.SetDelimitedText("a b;c ; d");
  EXPECT_EQ(Items(strict), (std::vector<std::string>{"a b", "c ", " d"}));
  EXPECT_EQ(strict.DelimitedText(), "a b;c ; d");
  EXPECT_EQ(strict.CommaText(), "\"a b\",\"c \",\" d\"");
  EXPECT_EQ(strict.Delimiter, ';');
}

TEST(TStringList, SortedListsAndDuplicates) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"pear", "Apple", "fig", "apple"}) list.Add(s);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"Apple", "fig", "pear"}));  // dupIgnore, no case
  int index;
  EXPECT_TRUE(list.Find("FIG", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("grape", index));
  EXPECT_EQ(index, 2);
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  list.Duplicates = dupError;
  EXPECT_THROW(list.Add("PEAR"), EStringListError);
  list.Duplicates = dupAccept;
  list.Add("fig");
  EXPECT_EQ(list.Count(), 4);
  list.SetCaseSensitive(true);
  list.Duplicates = dupIgnore;
  list.Add("apple");
  EXPECT_EQ(list.IndexOf("apple"), 1);
  EXPECT_EQ(list.IndexOf("APPLE"), -1);
  EXPECT_THROW(list.Get(99), EStringListError);
  EXPECT_THROW(list.Delete(-1), EStringListError);
}

struct Counted : TObject {
  static int Alive;
  Counted() { ++Alive; }
  ~Counted() override { --Alive; }
};
int Counted::Alive = 0;

TEST(TStringList, ObjectsAndChangeEvents) {
  {
    TStringList list;
    list.OwnsObjects = true;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    Counted* one = new Counted;
    list.AddObject("one", one);
    list.AddObject("two", new Counted);
    EXPECT_EQ(list.Objects(0), one);
    EXPECT_EQ(list.IndexOfObject(one), 0);
    list.Delete(1);
    EXPECT_EQ(Counted::Alive, 1);
    list.BeginUpdate();
    list.Add("a");
    list.Add("b");
    list.EndUpdate();
    EXPECT_EQ(changes, 3 + 1);
    list.Exchange(0, 2);
    EXPECT_EQ(list[2], "one");
    EXPECT_EQ(list.Objects(2), one);
    list.Move(2, 0);
    EXPECT_EQ(list.Objects(0), one);
  }
  EXPECT_EQ(Counted::Alive, 0);
}

TEST(TStrings, TextSplitsEveryLineBreak) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  list.SetText("\n");
  EXPECT_EQ(Items(list), (std::vector<std::string>{""}));
  TStringList copy;
  copy.Assign(&list);
  EXPECT_EQ(copy.Count(), 1);
}

TEST(TStrings, FilesInUtf8AndTheAnsiCodePage) {
  std::string name = GetTempFolder() + "tess-strings.txt";
  TStringList list;
  list.Add("caf\xC3\xA9");
  list.Add("\xE2\x82\xAC 5");
  list.SaveToFile(name);  // UTF-8, no BOM
  std::vector<uint8_t> bytes = ReadFileBytes(name);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "caf\xC3\xA9\r\n\xE2\x82\xAC 5\r\n");
  TStringList back;
  back.LoadFromFile(name);
  EXPECT_EQ(back.LoadedEncoding(), TTextEncoding::UTF8);
  EXPECT_EQ(Items(back), Items(list));

  ASSERT_EQ(GetACP(), 1252u);  // the test prefix runs in an English locale
  list.SaveToFile(name, TTextEncoding::Ansi);
  bytes = ReadFileBytes(name);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "caf\xE9\r\n\x80 5\r\n");
  back.LoadFromFile(name);
  EXPECT_EQ(back.LoadedEncoding(), TTextEncoding::Ansi);
  EXPECT_EQ(Items(back), Items(list));

  list.SaveToFile(name, TTextEncoding::UTF16LE);
  back.LoadFromFile(name);
  EXPECT_EQ(back.LoadedEncoding(), TTextEncoding::UTF16LE);
  EXPECT_EQ(Items(back), Items(list));
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()));
}

}  // namespace
