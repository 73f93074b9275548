// The program's help files as the build makes them: the numbers the program
// asks for lead to the right topics, every link works, and the topics cover
// the results screen and every field of the wizard's pages. Halvdyne.chm,
// unpacked with chmls, holds the same topics, numbers and links.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "display/result_text.h"
#include "tests/help/hlp_reader.h"

namespace {

// The wizard's page titles (its captions read "Step n of 5: TITLE"); its
// Help button asks for page + 2.
const char* const PageTitles[6] = {"", "Stars in our Galaxy #1", "Stars in our Galaxy #2", "Habitable Planets",
                                   "Advanced Civilizations", "Textual Settings Description"};
const char MainWindowTitle[] = "The Halvorendyne Main Window";

class HalvdyneHelp : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        hlptest::Bytes bytes;
        readable_ = hlptest::ReadFileBytes(HALVDYNE_HLP_PATH, &bytes);
        reader_ = new hlptest::HelpFileReader;
        if (readable_) loaded_ = reader_->Load(bytes, &problem_);
    }
    static void TearDownTestSuite()
    {
        delete reader_;
        reader_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(readable_) << "cannot read " << HALVDYNE_HLP_PATH;
        ASSERT_TRUE(loaded_) << problem_;
    }

    // A topic's shown text, paragraphs joined by spaces.
    static std::string TopicText(const hlptest::Topic& topic)
    {
        std::string text;
        for (const hlptest::Paragraph& paragraph : topic.paragraphs) {
            for (const hlptest::Run& run : paragraph.runs) text += run.text == "\n" ? " " : run.text;
            text += ' ';
        }
        return text;
    }

    static const hlptest::Topic& Mapped(std::int32_t number)
    {
        const hlptest::Topic* topic = reader_->TopicForMap(number);
        if (topic == nullptr) throw std::runtime_error("no topic for map number " + std::to_string(number));
        return *topic;
    }

    static hlptest::HelpFileReader* reader_;
    static bool readable_;
    static bool loaded_;
    static std::string problem_;
};
hlptest::HelpFileReader* HalvdyneHelp::reader_ = nullptr;
bool HalvdyneHelp::readable_ = false;
bool HalvdyneHelp::loaded_ = false;
std::string HalvdyneHelp::problem_;

TEST_F(HalvdyneHelp, TitleIsTheWindowCaption)
{
    EXPECT_EQ(reader_->title, "Halvorendyne Help");
    EXPECT_EQ(reader_->windowCaption, "Halvorendyne Help");
}

TEST_F(HalvdyneHelp, NumbersTheProgramAsksForLeadToTheirTopics)
{
    std::vector<std::int32_t> numbers;
    for (const auto& entry : reader_->map) numbers.push_back(entry.first);
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Mapped(1).title, MainWindowTitle);
    for (int page = 1; page <= 5; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(Mapped(page + 2).title, PageTitles[page]);
        EXPECT_EQ(Mapped(page + 2).paragraphs.at(0).Text(), PageTitles[page]);
    }
    EXPECT_EQ(reader_->TopicForMap(2), nullptr) << "context 2 is not used";
    const hlptest::Topic* contents = reader_->TopicAt(reader_->contentsOffset);
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->title, MainWindowTitle);
}

TEST_F(HalvdyneHelp, EveryLinkWorksAndEveryTopicIsReachable)
{
    std::set<const hlptest::Topic*> reached = {&Mapped(1)};
    std::vector<const hlptest::Topic*> queue = {&Mapped(1)};
    while (!queue.empty()) {
        const hlptest::Topic* topic = queue.back();
        queue.pop_back();
        for (const hlptest::Paragraph& paragraph : topic->paragraphs) {
            for (const hlptest::Run& run : paragraph.runs) {
                if (!run.inJump) continue;
                const hlptest::Topic* target = reader_->TopicForHash(run.jumpHash);
                ASSERT_NE(target, nullptr) << "broken link '" << run.text << "' in " << topic->title;
                if (reached.insert(target).second) queue.push_back(target);
            }
        }
    }
    for (const hlptest::Topic& topic : reader_->topics) EXPECT_EQ(reached.count(&topic), 1u) << topic.title << " is not linked";
}

TEST_F(HalvdyneHelp, MainWindowTopicNamesTheResultsKeysAndFiles)
{
    const std::string text = TopicText(Mapped(1));
    for (int line = 1; line <= ResultLineCount; ++line) {
        std::string label = ResultLabel(line);
        if (!label.empty() && label.back() == ':') label.pop_back();
        EXPECT_NE(text.find(label), std::string::npos) << "result label: " << label;
    }
    const char* const phrases[] = {
        "Edit", "Load", "Save", "Quit", "Help", "Alt+E", "Alt+H", "Tab", "Return", "Escape", "F1", "Left", "Up",
        "chain of products", "rounded", "cube root", "more than 10^", "Internal.hvd",
        "File error. Settings NOT loaded.", "Do you wish to save the current settings before exit?",
    };
    for (const char* phrase : phrases) EXPECT_NE(text.find(phrase), std::string::npos) << phrase;
}

// Every label and group title of a wizard page (resources/wizard.rc) is
// found in that page's help topic, without its leading dots and final
// colon.
TEST_F(HalvdyneHelp, WizardTopicsExplainEveryFieldOfTheirPage)
{
    std::ifstream rc(WIZARD_RC_PATH);
    ASSERT_TRUE(rc.good()) << WIZARD_RC_PATH;
    const std::map<std::string, int> pages = {{"IDD_PAGE_STARS_1", 1}, {"IDD_PAGE_STARS_2", 2}, {"IDD_PAGE_PLANETS", 3},
                                              {"IDD_PAGE_CIVILIZATIONS", 4}, {"IDD_PAGE_TEXTS", 5}};
    const std::regex dialog(R"(^(IDD_\w+)\s+DIALOG\b)");
    const std::regex label(R"(^\s*(LTEXT|GROUPBOX)\s+\"([^\"]*)\")");
    std::map<int, int> labelsPerPage;
    int page = 0;
    std::string line;
    while (std::getline(rc, line)) {
        std::smatch match;
        if (std::regex_search(line, match, dialog)) {
            auto found = pages.find(match[1].str());
            page = found == pages.end() ? 0 : found->second;
        } else if (line.rfind("END", 0) == 0) {
            page = 0;
        } else if (page != 0 && std::regex_search(line, match, label)) {
            std::string text = match[2].str();
            text.erase(0, text.find_first_not_of('.'));
            text.erase(text.find_last_not_of(":., ") + 1);
            SCOPED_TRACE("page " + std::to_string(page));
            EXPECT_NE(TopicText(Mapped(page + 2)).find(text), std::string::npos) << "not explained: " << text;
            ++labelsPerPage[page];
        }
    }
    for (int p = 1; p <= 5; ++p) EXPECT_GE(labelsPerPage[p], 3) << "labels of page " << p << " not found in the resource";
}

TEST_F(HalvdyneHelp, WizardTopicsStateLimitsMessagesAndKeys)
{
    struct Page {
        int page;
        std::vector<const char*> phrases;
    };
    const Page expected[] = {
        {1, {"at least **1,000**", "0 to 1", "Invalid setting found.", "is an invalid character."}},
        {2, {"1.01", "Sum is not equal to 1.", "0 to 1", "Invalid setting found."}},
        {3, {"Values above 1 are accepted", "0 to 1", "Invalid setting found."}},
        {4, {"at most 10,000,000,000", "not less than the years until first life", "Invalid setting found."}},
        {5, {"65,534", "refuses nothing"}},
    };
    for (const Page& p : expected) {
        SCOPED_TRACE(p.page);
        std::string text = TopicText(Mapped(p.page + 2));
        for (const char* phrase : p.phrases) {
            std::string wanted = phrase;
            // Bold marks in the table stand for the bold run boundaries.
            for (std::size_t at; (at = wanted.find("**")) != std::string::npos;) wanted.erase(at, 2);
            EXPECT_NE(text.find(wanted), std::string::npos) << wanted;
        }
        for (const char* key : {"Tab", "Shift+Tab", "Up", "Down", "Escape", "F1"}) {
            EXPECT_NE(text.find(key), std::string::npos) << key;
        }
    }
}

// --- Halvdyne.chm ---------------------------------------------------------------

// A file of Halvdyne.chm, unpacked once with chmls; "" when it is missing.
// chmls locks the file it reads for itself alone, and a second chmls on the
// same file fails ("Try again"), so each test process unpacks its own copy.
std::string ChmFile(const std::string& name)
{
    static const std::map<std::string, std::string> files = [] {
        std::map<std::string, std::string> unpacked;
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("halvdyne-chm-" + std::to_string(::getpid()));
        const std::filesystem::path copy = folder.string() + ".chm";
        std::error_code copyError;
        std::filesystem::copy_file(HALVDYNE_CHM_PATH, copy, std::filesystem::copy_options::overwrite_existing, copyError);
        const std::string command = std::string("'") + CHMLS_PATH + "' extractall '" + copy.string() + "' '" +
                                    folder.string() + "' >/dev/null 2>&1";
        if (!copyError && std::system(command.c_str()) == 0) {
            for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder)) {
                hlptest::Bytes bytes;
                hlptest::ReadFileBytes(entry.path().string(), &bytes);
                unpacked[entry.path().filename().string()] = std::string(bytes.begin(), bytes.end());
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        std::filesystem::remove(copy, ignored);
        return unpacked;
    }();
    auto found = files.find(name);
    return found == files.end() ? "" : found->second;
}

std::string Between(const std::string& text, const std::string& from, const std::string& to)
{
    std::size_t start = text.find(from);
    if (start == std::string::npos) return "";
    start += from.size();
    return text.substr(start, text.find(to, start) - start);
}

// The contents list the .hlp's topics in order, each on a page in the
// archive with that title, whose links all name files in the archive.
TEST_F(HalvdyneHelp, ChmHoldsEveryTopicOnAPageWithWorkingLinks)
{
    const std::string contents = ChmFile("Halvdyne.hhc");
    ASSERT_NE(contents, "") << "chmls cannot unpack " << HALVDYNE_CHM_PATH;
    std::size_t topic = 0;
    for (std::size_t at = 0; (at = contents.find("<OBJECT type=\"text/sitemap\">", at)) != std::string::npos; ++at, ++topic) {
        ASSERT_LT(topic, reader_->topics.size());
        const hlptest::Topic& expected = reader_->topics[topic];
        const std::string entry = contents.substr(at, contents.find("</OBJECT>", at) - at);
        const std::string page = ChmFile(Between(entry, "name=\"Local\" value=\"", "\""));
        SCOPED_TRACE(expected.title);
        EXPECT_EQ(Between(entry, "name=\"Name\" value=\"", "\""), expected.title);
        EXPECT_EQ(Between(page, "<title>", "</title>"), expected.title);
        const std::regex href("href=\"([^\"]*)\"");  // the links and the style sheet
        for (std::sregex_iterator it(page.begin(), page.end(), href), end; it != end; ++it) {
            EXPECT_NE(ChmFile((*it)[1].str()), "") << "broken link to " << (*it)[1].str();
        }
    }
    EXPECT_EQ(topic, reader_->topics.size());
}

// /#IVB pairs each context number with a target in /#STRINGS, which the
// viewer opens as a name inside the archive: "/page.html".
TEST_F(HalvdyneHelp, ChmContextNumbersLeadToThePagesOfTheirTopics)
{
    const std::string ivbText = ChmFile("#IVB");
    const hlptest::Bytes ivb(ivbText.begin(), ivbText.end());
    const std::string strings = ChmFile("#STRINGS");
    ASSERT_GE(ivb.size(), 4u) << "chmls cannot unpack " << HALVDYNE_CHM_PATH;
    std::vector<std::int32_t> numbers;
    for (std::size_t at = 4; at + 8 <= ivb.size(); at += 8) {
        const std::int32_t number = static_cast<std::int32_t>(hlptest::Get32(ivb, at));
        numbers.push_back(number);
        ASSERT_LT(hlptest::Get32(ivb, at + 4), strings.size());
        const std::string target = strings.c_str() + hlptest::Get32(ivb, at + 4);
        ASSERT_EQ(target.substr(0, 1), "/") << target;
        EXPECT_EQ(Between(ChmFile(target.substr(1)), "<title>", "</title>"), Mapped(number).title) << target;
    }
    std::vector<std::int32_t> hlpNumbers;
    for (const auto& entry : reader_->map) hlpNumbers.push_back(entry.first);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, hlpNumbers);
}

}  // namespace
