// hlpc as a user runs it: help sources written by the tests, compiled by
// the real command, and the files read back with tests/help/hlp_reader,
// which follows the viewer's lookups.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/help/hlp_reader.h"

namespace fs = std::filesystem;
using hlptest::Bytes;
using hlptest::HelpFileReader;

namespace {

const std::uint32_t None = 0xFFFFFFFFu;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// This process's scratch folder, removed when the tests end.
fs::path ScratchRoot()
{
    return fs::temp_directory_path() / ("hlpc-test-" + std::to_string(::getpid()));
}

class ScratchCleanup : public testing::Environment {
public:
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(ScratchRoot(), ignored);
    }
};
const testing::Environment* const Cleanup = testing::AddGlobalTestEnvironment(new ScratchCleanup);

// A fresh directory per test.
fs::path WorkDirectory()
{
    static int counter = 0;
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    fs::path dir = ScratchRoot() / (name + std::to_string(counter++));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

RunResult RunHlpc(const fs::path& dir, const std::vector<std::string>& args)
{
    std::string command = Quote(HLPC_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " >" + Quote((dir / "stdout").string()) + " 2>" + Quote((dir / "stderr").string());
    int raw = std::system(command.c_str());
    RunResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadText(dir / "stdout");
    result.err = ReadText(dir / "stderr");
    return result;
}

// Compiles source; the file's bytes, or a failed assertion.
Bytes Compile(const fs::path& dir, const std::string& source)
{
    WriteText(dir / "help.txt", source);
    RunResult result = RunHlpc(dir, {(dir / "help.txt").string(), (dir / "help.hlp").string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    Bytes bytes;
    EXPECT_TRUE(hlptest::ReadFileBytes((dir / "help.hlp").string(), &bytes));
    return bytes;
}

// The help of a small program: the contexts it asks for, and a topic
// reached only by links.
struct SampleTopic {
    const char* map;  // "-" for none
    const char* context;
    const char* title;
};
const SampleTopic SampleTopics[] = {
    {"1", "main_window", "The Main Window"},
    {"3", "wizard_page_1", "Stars in our Galaxy #1"},
    {"4", "wizard_page_2", "Stars in our Galaxy #2"},
    {"5", "wizard_page_3", "Habitable Planets"},
    {"6", "wizard_page_4", "Advanced Civilizations"},
    {"7", "wizard_page_5", "Textual Settings Description"},
    {"-", "settings_files", "Settings Files"},
};

std::string SampleSource()
{
    std::string source =
        "# A sample help source\n"
        "@title Halvorendyne Help\n"
        "@browse-buttons\n";
    for (const SampleTopic& topic : SampleTopics) {
        source += std::string("\n@topic ") + topic.map + " " + topic.context + " " + topic.title + "\n";
        source += std::string("Topic ") + topic.context + " explains this topic.\n";
    }
    source +=
        "\n@topic - key_list Keys\n"
        "Text with **bold**, //italic// and **//both//** and a [[WIZARD_PAGE_3|link]] and\n"
        "one to [[settings_files]].\n"
        "\n"
        "= A heading\n"
        "* first item\n"
        "* second item,\n"
        "  continued\n"
        "\n"
        "Line one\\\n"
        "line two with \\*\\* and \\[[ and \\\\.\n"
        "Characters: \xE2\x80\x93 \xE2\x80\x9C\xC3\xA9\xE2\x80\x9D \xE2\x82\xAC.\n";
    return source;
}

class HlpcSampleFile : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        fs::path dir = ScratchRoot() / "sample";
        fs::create_directories(dir);
        WriteText(dir / "help.txt", SampleSource());
        RunResult result = RunHlpc(dir, {(dir / "help.txt").string(), (dir / "help.hlp").string()});
        status_ = result.status;
        error_ = result.err;
        hlptest::ReadFileBytes((dir / "help.hlp").string(), &bytes_);
        reader_ = new HelpFileReader;
        loaded_ = reader_->Load(bytes_, &problem_);
    }
    static void TearDownTestSuite()
    {
        delete reader_;
        reader_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_EQ(status_, 0) << error_;
        ASSERT_TRUE(loaded_) << problem_;
    }

    const hlptest::Topic* TopicTitled(const std::string& title) const
    {
        for (const hlptest::Topic& topic : reader_->topics) {
            if (topic.title == title) return &topic;
        }
        return nullptr;
    }

    static int status_;
    static std::string error_;
    static Bytes bytes_;
    static HelpFileReader* reader_;
    static bool loaded_;
    static std::string problem_;
};
int HlpcSampleFile::status_ = -1;
std::string HlpcSampleFile::error_;
Bytes HlpcSampleFile::bytes_;
HelpFileReader* HlpcSampleFile::reader_ = nullptr;
bool HlpcSampleFile::loaded_ = false;
std::string HlpcSampleFile::problem_;

TEST_F(HlpcSampleFile, HeaderGivesMagicSizeAndDirectory)
{
    EXPECT_EQ(reader_->magic, 0x00035F3Fu);
    EXPECT_EQ(reader_->entireFileSize, bytes_.size());
    EXPECT_EQ(reader_->firstFreeBlock, None);
    // The directory's file header: reserved = used + 9, and it ends the file.
    const std::uint32_t start = reader_->directoryStart;
    ASSERT_LE(start + 9u, bytes_.size());
    const std::uint32_t used = hlptest::Get32(bytes_, start + 4);
    EXPECT_EQ(hlptest::Get32(bytes_, start), used + 9);
    EXPECT_EQ(start + 9 + used, bytes_.size());
    EXPECT_EQ(used, 38u + 1024u);
}

TEST_F(HlpcSampleFile, DirectoryIsOneSortedLeafOfTheFiveFiles)
{
    const hlptest::BTreeHeader& header = reader_->directoryHeader;
    EXPECT_EQ(header.flags, 0x0402);
    EXPECT_EQ(header.pageSize, 1024);
    EXPECT_EQ(header.structure, "z4");
    EXPECT_EQ(header.levels, 1);
    EXPECT_EQ(header.totalPages, 1);
    EXPECT_EQ(header.rootPage, 0);
    ASSERT_EQ(reader_->directory.size(), 5u);
    EXPECT_EQ(header.totalEntries, 5u);
    std::size_t entryBytes = 0;
    for (std::size_t i = 0; i < reader_->directory.size(); ++i) {
        entryBytes += reader_->directory[i].name.size() + 1 + 4;
        if (i > 0) {
            EXPECT_LT(std::strcmp(reader_->directory[i - 1].name.c_str(), reader_->directory[i].name.c_str()), 0)
                << "directory not sorted at " << reader_->directory[i].name;
        }
    }
    EXPECT_EQ(header.unused, 1024 - 8 - entryBytes);
    const char* const expected[] = {"|CONTEXT", "|CTXOMAP", "|FONT", "|SYSTEM", "|TOPIC"};
    for (const char* name : expected) {
        SCOPED_TRACE(name);
        const hlptest::InternalFile* file = reader_->Find(name);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->name, name);
    }
}

// Each directory entry points at a file header whose content is that file.
TEST_F(HlpcSampleFile, DirectoryEntriesPointAtTheirInternalFiles)
{
    struct Expected {
        const char* name;
        bool (*looksRight)(const Bytes& content);
    };
    const Expected expected[] = {
        {"|CONTEXT", [](const Bytes& c) { return hlptest::Get16(c, 0) == 0x293B && std::string(c.begin() + 6, c.begin() + 8) == "L4"; }},
        {"|CTXOMAP", [](const Bytes& c) { return c.size() == 2u + 8u * hlptest::Get16(c, 0); }},
        {"|FONT", [](const Bytes& c) { return hlptest::Get16(c, 0) == 1 && hlptest::Get16(c, 4) == 8; }},
        {"|SYSTEM", [](const Bytes& c) { return hlptest::Get16(c, 0) == 0x036C; }},
        {"|TOPIC", [](const Bytes& c) { return c.size() % 4096 == 0 && hlptest::Get32(c, 0) == None && hlptest::Get32(c, 4) == 12; }},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        const hlptest::InternalFile* file = reader_->Find(e.name);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->reserved, file->used + 9);
        EXPECT_TRUE(e.looksRight(file->content));
    }
    // The internal files and the directory fill the file without overlap.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
    for (const hlptest::InternalFile& file : reader_->directory) spans.emplace_back(file.offset, file.offset + 9 + file.used);
    spans.emplace_back(reader_->directoryStart, static_cast<std::uint32_t>(bytes_.size()));
    std::sort(spans.begin(), spans.end());
    std::uint32_t next = 16;
    for (const auto& span : spans) {
        EXPECT_EQ(span.first, next);
        next = span.second;
    }
    EXPECT_EQ(next, bytes_.size());
}

TEST_F(HlpcSampleFile, SystemHoldsVersionTitleCaptionAndContents)
{
    EXPECT_EQ(reader_->systemMinor, 33);
    EXPECT_EQ(reader_->systemMajor, 1);
    EXPECT_EQ(reader_->systemFlags, 0) << "uncompressed topics, 4 KB blocks";
    EXPECT_EQ(reader_->title, "Halvorendyne Help");
    EXPECT_EQ(reader_->windowCaption, "Halvorendyne Help");
    const hlptest::Topic* contents = reader_->TopicAt(reader_->contentsOffset);
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->title, "The Main Window");
    EXPECT_EQ(reader_->macros, std::vector<std::string>{"BrowseButtons()"});
}

TEST_F(HlpcSampleFile, EveryMapNumberLeadsToItsTopic)
{
    std::vector<std::int32_t> numbers;
    for (const auto& entry : reader_->map) numbers.push_back(entry.first);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 3, 4, 5, 6, 7}));
    for (const SampleTopic& sample : SampleTopics) {
        if (std::string(sample.map) == "-") continue;
        SCOPED_TRACE(sample.map);
        const hlptest::Topic* topic = reader_->TopicForMap(std::atoi(sample.map));
        ASSERT_NE(topic, nullptr);
        EXPECT_EQ(topic->title, sample.title);
        for (const auto& entry : reader_->map) {
            if (entry.first == std::atoi(sample.map)) {
                EXPECT_EQ(entry.second, topic->offset) << "not a topic's own offset";
            }
        }
    }
    EXPECT_EQ(reader_->TopicForMap(2), nullptr);
    EXPECT_EQ(reader_->TopicForMap(0), nullptr);
}

TEST_F(HlpcSampleFile, ContextHashesAreSortedAndLeadToTheirTopics)
{
    // The hash itself, against values known from other help files.
    EXPECT_EQ(hlptest::Hash("IDH_1"), 87105101);
    EXPECT_EQ(hlptest::Hash("IDH_ABOUT_BOX"), -1992574677);
    EXPECT_EQ(hlptest::Hash("idh_about_box"), -1992574677);

    const hlptest::BTreeHeader& header = reader_->contextHeader;
    EXPECT_EQ(header.flags, 0x0002);
    EXPECT_EQ(header.pageSize, 2048);
    EXPECT_EQ(header.structure, "L4");
    ASSERT_EQ(reader_->contexts.size(), reader_->topics.size());
    EXPECT_EQ(header.totalEntries, reader_->contexts.size());
    EXPECT_EQ(header.unused, 2048 - 8 - 8 * reader_->contexts.size());
    for (std::size_t i = 1; i < reader_->contexts.size(); ++i) {
        EXPECT_LT(reader_->contexts[i - 1].first, reader_->contexts[i].first) << "not in signed order at " << i;
    }
    std::vector<std::pair<std::string, std::string>> expected = {{"key_list", "Keys"}};
    for (const SampleTopic& sample : SampleTopics) expected.emplace_back(sample.context, sample.title);
    for (const auto& pair : expected) {
        SCOPED_TRACE(pair.first);
        const hlptest::Topic* topic = reader_->TopicForHash(hlptest::Hash(pair.first));
        ASSERT_NE(topic, nullptr);
        EXPECT_EQ(topic->title, pair.second);
    }
}

TEST_F(HlpcSampleFile, TopicsShowTitleTextStylesLinksAndLists)
{
    const hlptest::Topic* keys = TopicTitled("Keys");
    ASSERT_NE(keys, nullptr);
    ASSERT_EQ(keys->paragraphs.size(), 6u);
    auto fontOf = [&](const hlptest::Run& run) { return reader_->fonts.at(static_cast<std::size_t>(run.font)); };

    const hlptest::Paragraph& title = keys->paragraphs[0];
    EXPECT_EQ(title.Text(), "Keys");
    EXPECT_GT(fontOf(title.runs[0]).halfPoints, 20) << "a title larger than the text";

    const hlptest::Paragraph& text = keys->paragraphs[1];
    EXPECT_EQ(text.Text(), "Text with bold, italic and both and a link and one to Settings Files.");
    struct Styled {
        const char* text;
        std::uint8_t attributes;  // bit 0 bold, bit 1 italic
    };
    const Styled styled[] = {{"Text with ", 0}, {"bold", 1}, {", ", 0}, {"italic", 2}, {"both", 3}};
    for (const Styled& s : styled) {
        SCOPED_TRACE(s.text);
        auto run = std::find_if(text.runs.begin(), text.runs.end(), [&](const hlptest::Run& r) { return r.text == s.text; });
        ASSERT_NE(run, text.runs.end());
        EXPECT_EQ(fontOf(*run).attributes, s.attributes);
        EXPECT_EQ(fontOf(*run).halfPoints, 20);
        EXPECT_EQ(fontOf(*run).face, "Arial");
    }
    // Links: the hotspot text, and a jump that the context B-tree resolves.
    struct Jump {
        const char* text;
        const char* target;
    };
    const Jump jumps[] = {{"link", "Habitable Planets"}, {"Settings Files", "Settings Files"}};
    for (const Jump& jump : jumps) {
        SCOPED_TRACE(jump.text);
        auto run = std::find_if(text.runs.begin(), text.runs.end(), [&](const hlptest::Run& r) { return r.text == jump.text; });
        ASSERT_NE(run, text.runs.end());
        ASSERT_TRUE(run->inJump);
        EXPECT_EQ(run->jumpCommand, 0xE3u) << "a jump, not a pop-up";
        const hlptest::Topic* target = reader_->TopicForHash(run->jumpHash);
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(target->title, jump.target);
    }
    for (const hlptest::Run& run : text.runs) {
        if (run.text != "link" && run.text != "Settings Files") {
            EXPECT_FALSE(run.inJump) << run.text;
        }
    }

    const hlptest::Paragraph& heading = keys->paragraphs[2];
    EXPECT_EQ(heading.Text(), "A heading");
    EXPECT_EQ(fontOf(heading.runs[0]).attributes & 1, 1);
    EXPECT_GT(fontOf(heading.runs[0]).halfPoints, 20);

    EXPECT_EQ(keys->paragraphs[3].Text(), "\x95\tfirst item");
    EXPECT_EQ(keys->paragraphs[4].Text(), "\x95\tsecond item, continued");
    EXPECT_EQ(keys->paragraphs[4].formatBits & 0x0250, 0x0250) << "left and first-line indent, tab stop";
    EXPECT_EQ(keys->paragraphs[5].Text(),
              "Line one\nline two with ** and [[ and \\. Characters: \x96 \x93\xE9\x94 \x80.");
}

TEST_F(HlpcSampleFile, TopicsFormABrowseSequenceInSourceOrder)
{
    const std::vector<hlptest::Topic>& topics = reader_->topics;
    ASSERT_EQ(topics.size(), 8u);
    for (std::size_t i = 0; i < topics.size(); ++i) {
        SCOPED_TRACE(topics[i].title);
        EXPECT_EQ(topics[i].number, i);
        EXPECT_EQ(topics[i].browseBack, i == 0 ? None : topics[i - 1].offset);
        EXPECT_EQ(topics[i].browseForward, i + 1 == topics.size() ? None : topics[i + 1].offset);
        if (i > 0) {
            EXPECT_LT(topics[i - 1].offset, topics[i].offset);
        }
        ASSERT_FALSE(topics[i].paragraphs.empty());
        EXPECT_EQ(topics[i].paragraphs[0].Text(), topics[i].title) << "the title is shown as the first paragraph";
    }
    EXPECT_TRUE(reader_->endMarker);
}

TEST(Hlpc, SameSourceGivesTheSameBytes)
{
    fs::path first = WorkDirectory();
    fs::path second = WorkDirectory();
    Bytes a = Compile(first, SampleSource());
    Bytes b = Compile(second, SampleSource());
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == b);
}

// Enough text for many 4 KB topic blocks: every topic and paragraph must
// still be found, with links and offsets right across block borders.
TEST(Hlpc, LargeHelpSpansManyTopicBlocks)
{
    const int topicCount = 60;
    std::string source = "@title Many Blocks\n";
    std::vector<std::vector<std::string>> texts(topicCount);
    for (int t = 0; t < topicCount; ++t) {
        source += "\n@topic " + std::to_string(100 + t) + " topic_" + std::to_string(t) + " Topic number " + std::to_string(t) + "\n";
        for (int p = 0; p < 3; ++p) {
            std::string text = "Paragraph " + std::to_string(p) + " of topic " + std::to_string(t) + ":";
            while (text.size() < 200u + 173u * static_cast<unsigned>((t * 3 + p) % 7)) text += " words of filler text";
            texts[t].push_back(text + " See Topic number " + std::to_string((t + 7) % topicCount) + ".");
            source += "\n" + text + " See [[topic_" + std::to_string((t + 7) % topicCount) + "]].\n";
        }
    }
    fs::path dir = WorkDirectory();
    Bytes bytes = Compile(dir, source);
    HelpFileReader reader;
    std::string problem;
    ASSERT_TRUE(reader.Load(bytes, &problem)) << problem;
    EXPECT_GE(reader.topicBlocks, 10u);
    ASSERT_EQ(reader.topics.size(), static_cast<std::size_t>(topicCount));
    for (int t = 0; t < topicCount; ++t) {
        SCOPED_TRACE(t);
        const hlptest::Topic* topic = reader.TopicForMap(100 + t);
        ASSERT_NE(topic, nullptr);
        EXPECT_EQ(topic->title, "Topic number " + std::to_string(t));
        ASSERT_EQ(topic->paragraphs.size(), 4u);
        for (int p = 0; p < 3; ++p) EXPECT_EQ(topic->paragraphs[p + 1].Text(), texts[t][p]);
        const hlptest::Run& link = topic->paragraphs[3].runs.at(topic->paragraphs[3].runs.size() - 2);
        ASSERT_TRUE(link.inJump);
        const hlptest::Topic* target = reader.TopicForHash(link.jumpHash);
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(target->title, "Topic number " + std::to_string((t + 7) % topicCount));
    }
}

// --- the HTML Help project ----------------------------------------------------

const char HtmlSource[] =
    "@title Tips & \"Tricks\" <1>\n"
    "@topic 1 Main_Window The <Main> Window\n"
    "Plain, **bold**, //italic//, **//both//**, **bold //inner// bold** and\n"
    "//italic **crossing// bold**; see [[OTHER|the \"other\" & <more>]].\\\n"
    "A < b > c & d.\n"
    "\n"
    "= Keys & Mice\n"
    "* **first** item\n"
    "* second item,\n"
    "  continued\n"
    "\n"
    "After the list.\n"
    "\n"
    "@topic 7 other Other\n"
    "Back to [[main_window]].\n";

// hlpc --html on source saved as DIR/tips.txt; the folder DIR/html.
fs::path WriteHtml(const fs::path& dir, const std::string& source)
{
    WriteText(dir / "tips.txt", source);
    RunResult result = RunHlpc(dir, {"--html", (dir / "tips.txt").string(), (dir / "html").string()});
    EXPECT_EQ(result.status, 0) << result.err;
    return dir / "html";
}

std::string Between(const std::string& text, const std::string& from, const std::string& to)
{
    std::size_t start = text.find(from);
    if (start == std::string::npos) return "(no " + from + ")";
    start += from.size();
    return text.substr(start, text.find(to, start) - start);
}

TEST(HlpcHtml, PagesNestStylesEscapeTextAndLink)
{
    const fs::path html = WriteHtml(WorkDirectory(), HtmlSource);
    const std::string page = ReadText(html / "main_window.html");
    EXPECT_NE(page.find("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"), std::string::npos);
    EXPECT_EQ(Between(page, "<title>", "</title>"), "The &lt;Main&gt; Window");
    EXPECT_EQ(Between(page, "<body>\r\n", "</body>"),
              "<h1>The &lt;Main&gt; Window</h1>\r\n"
              "<p>Plain, <b>bold</b>, <i>italic</i>, <b><i>both</i></b>, <b>bold <i>inner</i> bold</b> and "
              "<i>italic </i><b><i>crossing</i> bold</b>; see "
              "<a href=\"other.html\">the &quot;other&quot; &amp; &lt;more&gt;</a>.<br>\r\n"
              "A &lt; b &gt; c &amp; d.</p>\r\n"
              "<h2>Keys &amp; Mice</h2>\r\n"
              "<ul>\r\n<li><b>first</b> item</li>\r\n<li>second item, continued</li>\r\n</ul>\r\n"
              "<p>After the list.</p>\r\n");
    // A link without text shows the target's title; case does not count.
    EXPECT_EQ(Between(ReadText(html / "other.html"), "<h1>Other</h1>\r\n", "</body>"),
              "<p>Back to <a href=\"main_window.html\">The &lt;Main&gt; Window</a>.</p>\r\n");
    const std::string project = ReadText(html / "tips.hhp");
    for (const char* line : {"Compiled file=tips.chm\r\nContents file=tips.hhc\r\nDefault topic=main_window.html\r\n",
                             "Title=Tips & \"Tricks\" <1>\r\n", "\r\n[FILES]\r\nmain_window.html\r\nother.html\r\nhelp.css\r\n",
                             "\r\n[MAP]\r\n#define Main_Window 1\r\n#define other 7\r\n",
                             "\r\n[ALIAS]\r\nMain_Window=main_window.html\r\nother=other.html\r\n"}) {
        EXPECT_NE(project.find(line), std::string::npos) << line;
    }
}

// The contents file's entries in source order, each page named safely
// and once, whatever the context strings.
TEST(HlpcHtml, ContentsListEveryTopicUnderAUniqueWindowsFileName)
{
    const std::string x64(64, 'x');
    std::string source = "@title T\n@topic 1 Main.Window A & B\nSee [[" + x64 + "xxx2]].\n";
    for (const char* context : {"CON", "nul.notes", "lpt10"}) source += std::string("@topic - ") + context + " Device\n";
    source += "@topic - " + x64 + "xxx1 Long\n@topic - " + x64 + "xxx2 Long\n";
    const fs::path html = WriteHtml(WorkDirectory(), source);
    const std::vector<std::string> expected = {"A &amp; B|main.window.html", "Device|_con.html", "Device|_nul.notes.html",
                                               "Device|lpt10.html", "Long|" + x64 + ".html", "Long|" + x64 + "_2.html"};
    std::vector<std::string> entries;
    const std::string contents = ReadText(html / "tips.hhc");
    for (std::size_t at = 0; (at = contents.find("<OBJECT type=\"text/sitemap\">", at)) != std::string::npos; ++at) {
        const std::string entry = contents.substr(at, contents.find("</OBJECT>", at) - at);
        const std::string page = Between(entry, "name=\"Local\" value=\"", "\"");
        entries.push_back(Between(entry, "name=\"Name\" value=\"", "\"") + "|" + page);
        EXPECT_TRUE(fs::exists(html / page)) << page;
    }
    EXPECT_EQ(entries, expected);
    EXPECT_NE(ReadText(html / "main.window.html").find("<a href=\"" + x64 + "_2.html\">"), std::string::npos);
}

// --- bad sources ---------------------------------------------------------------

struct BadSource {
    const char* name;
    std::string source;
    int line;
    std::string problem;
};

std::string Header(const std::string& body)
{
    return "@title Test Help\n@topic 1 main Main\n" + body;
}

std::vector<BadSource> BadSources()
{
    std::string manyTopics = "@title Test Help\n";
    for (int t = 0; t < 256; ++t) manyTopics += "@topic - t" + std::to_string(t) + " Topic\n";
    std::string longParagraph = Header(std::string(16001, 'x') + "\n");
    return {
        {"TextBeforeTopic", "@title Test Help\nsome text\n", 2, "text before the first @topic"},
        {"UnknownDirective", Header("@index main\n"), 3, "unknown directive '@index' (known: @title, @browse-buttons, @topic)"},
        {"TopicWithoutTitle", "@title T\n\n@topic 1 main\n", 3, "expected '@topic MAP-NUMBER CONTEXT TITLE' (MAP-NUMBER may be '-')"},
        {"MapNumberNotNumber", "@title T\n@topic x3 main Main\n", 2, "map number 'x3' is not a whole number from 0 to 2147483647 or '-'"},
        {"MapNumberTooLarge", "@title T\n@topic 2147483648 main Main\n", 2, "map number 2147483648 is larger than 2147483647"},
        {"MapNumberTwice", Header("text\n@topic 1 other Other\n"), 4, "map number 1 is already used by the topic on line 2"},
        {"ContextTwice", Header("@topic 2 MAIN Other\n"), 3, "context string 'MAIN' is already used on line 2 (case does not count)"},
        {"ContextHashCollision", "@title T\n@topic 1 znwrzngn A\n@topic 2 asrxtbdl B\n", 3,
         "context string 'asrxtbdl' has the same hash as 'znwrzngn' on line 2"},
        {"ContextBadCharacter", "@title T\n@topic 1 main-window Main\n", 2,
         "context string 'main-window' may hold only letters, digits, '.' and '_'"},
        {"LinkToUnknownContext", Header("first line\nsee [[nowhere|there]]\n"), 4, "link to unknown context string 'nowhere'"},
        {"LinkTargetNotContext", Header("see [[main window]]\n"), 3,
         "link target 'main window' is not a context string (letters, digits, '.' and '_')"},
        {"LinkWithoutTarget", Header("see [[|text]]\n"), 3, "a link needs a context string: [[context]] or [[context|text]]"},
        {"LinkWithEmptyText", Header("see [[main| ]]\n"), 3, "the link to 'main' has an empty text"},
        {"LinkNotClosed", Header("one\nsee [[main|the\nmain topic\n"), 4, "'[[' is not closed by ']]' in this paragraph"},
        {"LinkInLink", Header("see [[main|a [[main]]]]\n"), 3, "a link cannot hold another '[['"},
        {"LineBreakInLink", Header("see [[main|a\\\nb]]\n"), 3, "a line break cannot stand inside a link"},
        {"CloseWithoutOpen", Header("see main]]\n"), 3, "']]' without '[['"},
        {"BoldNotClosed", Header("**bold\n\nnext\n"), 3, "'**' is not closed in this paragraph"},
        {"ItalicNotClosed", Header("plain\n//italic\n"), 4, "'//' is not closed in this paragraph"},
        {"SecondTitle", "@title T\n@title U\n@topic 1 main Main\n", 2, "a second @title (the first is on line 1)"},
        {"TitleAfterTopic", "@topic 1 main Main\n", 1, "@title must come before the first @topic"},
        {"TitleEmpty", "@title\n", 1, "@title needs a text"},
        {"TitleTooLong", "@title " + std::string(51, 'T') + "\n", 1, "@title is 51 characters long, at most 50"},
        {"BrowseButtonsArgument", "@title T\n@browse-buttons yes\n", 2, "@browse-buttons takes nothing after it"},
        {"NoTopics", "# only a title\n@title T\n", 2, "no @topic in the file"},
        {"EmptyFile", "", 1, "no @topic in the file"},
        {"EmptyHeading", Header("=\n"), 3, "a heading ('= ') needs a text"},
        {"EmptyListItem", Header("* ****\n"), 3, "a list item ('* ') needs a text"},
        {"CharacterOutsideCodePage", Header("x \xE2\x89\xA4 y\n"), 3,
         "character U+2264 is not in the help file's code page (Windows-1252)"},
        {"MalformedUtf8", Header("ok\nbad \xC3 byte\n"), 4, "malformed UTF-8 (byte 5 of the line)"},
        {"OverlongUtf8", Header("bad \xC0\xAF\n"), 3, "malformed UTF-8 (byte 5 of the line)"},
        {"ControlCharacter", Header("bell \x07 here\n"), 3, "control character U+0007 in the text"},
        {"TooManyTopics", manyTopics, 257, "too many topics (at most 255)"},
        {"ParagraphTooLong", longParagraph, 3, "paragraph too long (16002 bytes, at most 16000)"},
    };
}

void PrintTo(const BadSource& bad, std::ostream* out)
{
    *out << bad.name;
}

class HlpcBadSource : public testing::TestWithParam<BadSource> {};

TEST_P(HlpcBadSource, OneLineStatusTwoAndNoOutput)
{
    const BadSource& bad = GetParam();
    fs::path dir = WorkDirectory();
    const std::string source = (dir / "bad.txt").string();
    const std::string output = (dir / "bad.hlp").string();
    WriteText(source, bad.source);
    RunResult result = RunHlpc(dir, {source, output});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, source + ":" + std::to_string(bad.line) + ": " + bad.problem + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(fs::exists(output));
    EXPECT_FALSE(fs::exists(output + ".partial"));
}

INSTANTIATE_TEST_SUITE_P(Sources, HlpcBadSource, testing::ValuesIn(BadSources()),
                         [](const testing::TestParamInfo<BadSource>& info) { return std::string(info.param.name); });

// --- the command line ----------------------------------------------------------

TEST(HlpcCommandLine, WrongArgumentsPrintTheUsage)
{
    fs::path dir = WorkDirectory();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"only.txt"}, std::vector<std::string>{"a.txt", "b.hlp", "c"},
          std::vector<std::string>{"--html", "a.txt"}, std::vector<std::string>{"--htm", "a.txt", "folder"}}) {
        RunResult result = RunHlpc(dir, args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, "usage: hlpc SOURCE.txt OUT.hlp\n       hlpc --html SOURCE.txt FOLDER\n");
    }
}

TEST(HlpcCommandLine, MissingSourceIsNamed)
{
    fs::path dir = WorkDirectory();
    const std::string source = (dir / "missing.txt").string();
    RunResult result = RunHlpc(dir, {source, (dir / "out.hlp").string()});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, source + ": cannot open: No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir / "out.hlp"));
}

TEST(HlpcCommandLine, UnwritableOutputIsNamedAndLeavesNothing)
{
    fs::path dir = WorkDirectory();
    WriteText(dir / "help.txt", SampleSource());
    const std::string output = (dir / "no-such-folder" / "out.hlp").string();
    RunResult result = RunHlpc(dir, {(dir / "help.txt").string(), output});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, output + ": cannot create: No such file or directory\n");
    EXPECT_FALSE(fs::exists(output));
}

TEST(HlpcCommandLine, FailedCompileLeavesAnOlderFileAsItWas)
{
    fs::path dir = WorkDirectory();
    Bytes good = Compile(dir, SampleSource());
    ASSERT_FALSE(good.empty());
    WriteText(dir / "help.txt", SampleSource() + "**unclosed\n");
    RunResult result = RunHlpc(dir, {(dir / "help.txt").string(), (dir / "help.hlp").string()});
    EXPECT_EQ(result.status, 2);
    Bytes after;
    ASSERT_TRUE(hlptest::ReadFileBytes((dir / "help.hlp").string(), &after));
    EXPECT_TRUE(after == good);
    EXPECT_FALSE(fs::exists(dir / "help.hlp.partial"));
}

// An HTML Help folder is replaced whole, without the pages of topics gone
// from the source; a folder of other files stays as it was.
TEST(HlpcCommandLine, HtmlFolderIsReplacedWholeOrNotAtAll)
{
    fs::path dir = WorkDirectory();
    fs::create_directories(dir / "html");
    WriteText(dir / "html" / "gone.html", "a page of an older source");
    WriteHtml(dir, HtmlSource);
    EXPECT_FALSE(fs::exists(dir / "html" / "gone.html"));
    EXPECT_TRUE(fs::exists(dir / "html" / "other.html"));
    EXPECT_FALSE(fs::exists(dir / "html.partial"));

    fs::create_directories(dir / "notes");
    WriteText(dir / "notes" / "todo.txt", "mine");
    RunResult refused = RunHlpc(dir, {"--html", (dir / "tips.txt").string(), (dir / "notes").string() + "/"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, (dir / "notes").string() + ": holds other files than an HTML Help project; not replaced\n");
    EXPECT_EQ(ReadText(dir / "notes" / "todo.txt"), "mine");
}

TEST(HlpcCommandLine, SuccessReplacesTheFileAndPrintsNothing)
{
    fs::path dir = WorkDirectory();
    WriteText(dir / "help.hlp", "an old file");
    Bytes bytes = Compile(dir, SampleSource());
    HelpFileReader reader;
    std::string problem;
    EXPECT_TRUE(reader.Load(bytes, &problem)) << problem;
    EXPECT_EQ(ReadText(dir / "stdout"), "");
}

}  // namespace
