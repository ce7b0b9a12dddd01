// -serve run as a process on a free port and sent hostile requests: each is
// refused or its text kept as data, nothing is written outside the folder,
// and the server keeps serving until SIGTERM ends it with status 0.
#include "support/Fixtures.h"
#include "support/RunTool.h"
#include "support/ServeProcess.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using nlohmann::json;
using tavotest::readFile;
using tavotest::writeFile;

namespace {

const std::string& kHead = tavotest::kZoneFileHead;
const std::string& kTail = tavotest::kZoneFileTail;
const auto zone = tavotest::zoneLine;

// Every file under dir with its contents.
std::map<std::string, std::string> snapshot(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files[e.path().string()] = readFile(e.path());
    return files;
}

// The server of a test, with an HTTP client that sends paths exactly as written.
class Server : public tavotest::ServeProcess {
public:
    explicit Server(const fs::path& folder) : ServeProcess(TAVO_BINARY, folder) {}
    httplib::Client client() const
    {
        httplib::Client c("127.0.0.1", port);
        c.set_url_encode(false);  // the paths go out exactly as written
        return c;
    }
};

struct Batch {
    tavotest::TempDir dir;
    tavotest::TempDir outside;
    fs::path root = dir / "batch";
    Batch()
    {
        fs::create_directories(root / "p1");
        writeFile(root / "index.html", "<html>index</html>");
        writeFile(root / "p1/words.xml",
                  kHead +
                      zone("id=\"1\" segmentation=\"word\" col=\"400\" row=\"100\" width=\"100\" height=\"40\" "
                           "contents=\"ab\" offsets=\"\" status=\"\" nextZoneID=\"2\" confidence=\"0.30\"") +
                      zone("id=\"2\" segmentation=\"word\" col=\"250\" row=\"100\" width=\"100\" height=\"40\" "
                           "contents=\"cd\" offsets=\"\" status=\"\"") +
                      kTail);
        writeFile(root / "p1/page.txt", "ab cd\n");
        writeFile(outside / "secret.txt", "secret");
        fs::create_directory_symlink(outside.path(), root / "link");
        fs::create_symlink(outside / "secret.txt", root / "p1/secret.txt");
    }
};

}  // namespace

TEST(ServeCommand, RefusesHostileRequestsKeepsMarkupAsDataAndKeepsServing)
{
    Batch b;
    Server server(b.root);
    ASSERT_GT(server.port, 0);
    httplib::Client c = server.client();
    const auto outsideBefore = snapshot(b.outside.path());

    auto zones = c.Get("/api/zones?page=p1");
    ASSERT_TRUE(zones);
    ASSERT_EQ(zones->status, 200);
    EXPECT_EQ(zones->get_header_value("Content-Type"), "application/json");
    const json page = json::parse(zones->body);
    const std::string version = page["version"];
    ASSERT_EQ(page["zones"].size(), 2u);
    EXPECT_EQ(page["transcript"], json::array({"ab cd"}));
    // Compressing on the loopback only costs time: answers go out as they are.
    const auto asked = c.Get("/api/zones?page=p1", {{"Accept-Encoding", "br, gzip, deflate"}});
    EXPECT_EQ(asked->get_header_value("Content-Encoding"), "");
    EXPECT_EQ(asked->body, zones->body);

    // Reading: only files under the folder, whatever the spelling of the path.
    EXPECT_EQ(c.Get("/")->body, "<html>index</html>");
    for (const char* path : {"/../secret.txt", "/%2e%2e/secret.txt", "/p1/%2E%2E/%2e%2e/secret.txt",
                             "/p1/..%2f..%2fsecret.txt", "//etc/passwd", "/%2fetc%2fpasswd", "/link/secret.txt",
                             "/p1/secret.txt", "/p1/%00words.xml", "/p1/..\\..\\secret.txt", "/nothing.html"}) {
        const auto res = c.Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
        EXPECT_EQ(res->body.find("secret"), std::string::npos) << path;
        EXPECT_EQ(res->body.find("root:"), std::string::npos) << path;
    }
    for (const char* p : {"..", "%2e%2e", "/etc", "link", "p1/../..", "p1%2f..%2f.."})
        EXPECT_EQ(c.Get(std::string("/api/zones?page=") + p)->status, 404) << p;
    // Another site's name for this address is refused.
    EXPECT_EQ(c.Get("/api/zones?page=p1", {{"Host", "evil.example:" + std::to_string(server.port)}})->status, 403);

    // Changing: the token, then a body the server can read.
    const json save = {{"base", version}, {"zones", page["zones"]}};
    const std::string body = save.dump();
    EXPECT_EQ(c.Post("/api/save?page=p1", body, "application/json")->status, 403);
    std::string wrong = server.token;
    wrong[0] = wrong[0] == '0' ? '1' : '0';  // one digit off
    EXPECT_EQ(c.Post("/api/save?page=p1", {{"X-Tavo-Token", wrong}}, body, "application/json")->status, 403);
    EXPECT_EQ(c.Post("/api/save?page=p1", {{"X-Tavo-Token", server.token + "0"}}, body, "application/json")->status,
              403);
    EXPECT_FALSE(fs::exists(b.root / "p1/history"));
    const httplib::Headers token = {{"X-Tavo-Token", server.token}};
    EXPECT_EQ(c.Post("/api/save?page=p1", token, std::string(9u << 20, '['), "application/json")->status, 413);
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    for (const std::string& bad :
         {std::string("not json"), std::string("[1,2]"), deep, json{{"base", version}}.dump(),
          json{{"base", version}, {"zones", "x"}}.dump(), json{{"base", 7}, {"zones", json::array()}}.dump(),
          json{{"base", version}, {"zones", json::array({json{{"kind", "word"}}})}}.dump(),
          json{{"base", version}, {"zones", json::array({json{{"kind", "page"}, {"x", 0}, {"y", 0}, {"w", 1},
                                                             {"h", 1}, {"text", ""}}})}}.dump(),
          json{{"base", version}, {"zones", json::array({json{{"kind", "word"}, {"x", 1e300}, {"y", 0},
                                                             {"w", 1}, {"h", 1}, {"text", ""}}})}}.dump()}) {
        const auto res = c.Post("/api/save?page=p1", token, bad, "application/json");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400) << bad.substr(0, 80);
        EXPECT_TRUE(json::parse(res->body).contains("error"));
    }
    const json badOp = {{"zones", page["zones"]}, {"op", {{"type", "split"}, {"zone", 0}, {"x", 9999}}}};
    EXPECT_EQ(c.Post("/api/edit?page=p1", token, badOp.dump(), "application/json")->status, 400);
    EXPECT_EQ(c.Post("/api/save?page=../p1", token, body, "application/json")->status, 404);
    const json rewords = {{"zones", page["zones"]}, {"line", 0}};
    EXPECT_EQ(c.Post("/api/rewords?page=p1", token, rewords.dump(), "application/json")->status, 404);  // no image

    EXPECT_FALSE(fs::exists(b.root / "p1/history"));

    // Markup typed as a word's text is saved escaped and served as data.
    json marked = page["zones"];
    marked[0]["text"] = "<script>alert(1)</script>\"&";
    const auto saved = c.Post("/api/save?page=p1", token, json{{"base", version}, {"zones", marked}}.dump(),
                              "application/json");
    ASSERT_EQ(saved->status, 200);
    const std::string v2 = json::parse(saved->body)["version"];
    EXPECT_EQ(server.line(), "saved p1/words.xml (version " + v2 + ")");
    EXPECT_NE(readFile(b.root / "p1/words.xml").find("&lt;script&gt;alert(1)&lt;/script&gt;&quot;&amp;"),
              std::string::npos);
    const auto reread = c.Get("/api/zones?page=p1");
    EXPECT_EQ(json::parse(reread->body)["zones"][0]["text"], "<script>alert(1)</script>\"&");
    EXPECT_EQ(reread->body.find("<script>"), std::string::npos);
    EXPECT_EQ(reread->get_header_value("X-Content-Type-Options"), "nosniff");

    // The first version is gone: a second tab saving from it is refused.
    const auto conflict = c.Post("/api/save?page=p1", token, body, "application/json");
    EXPECT_EQ(conflict->status, 409);
    EXPECT_TRUE(fs::exists(b.root / "p1/history/words.1.xml"));
    EXPECT_FALSE(fs::exists(b.root / "p1/history/words.2.xml"));

    EXPECT_EQ(snapshot(b.outside.path()), outsideBefore);
    EXPECT_EQ(c.Get("/api/zones?page=p1")->status, 200);
    EXPECT_EQ(server.stop(), 0);
}

TEST(ServeCommand, OfTwoTabsSavingFromOneVersionOnlyOneWins)
{
    Batch b;
    Server server(b.root);
    ASSERT_GT(server.port, 0);
    const json page = json::parse(server.client().Get("/api/zones?page=p1")->body);
    for (int round = 0; round < 5; ++round) {
        const std::string version = json::parse(server.client().Get("/api/zones?page=p1")->body)["version"];
        std::vector<int> status(2);
        std::vector<std::thread> tabs;
        for (int tab = 0; tab < 2; ++tab)
            tabs.emplace_back([&, tab] {
                json zones = page["zones"];
                zones[0]["text"] = "tab" + std::to_string(tab) + "-" + std::to_string(round);
                status[size_t(tab)] = server.client()
                                          .Post("/api/save?page=p1", {{"X-Tavo-Token", server.token}},
                                                json{{"base", version}, {"zones", zones}}.dump(), "application/json")
                                          ->status;
            });
        for (std::thread& t : tabs)
            t.join();
        std::sort(status.begin(), status.end());
        EXPECT_EQ(status, (std::vector<int>{200, 409})) << round;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(b.root / "p1/history"), fs::directory_iterator()), 5);
    EXPECT_EQ(server.stop(), 0);
}

// The main program runs the server program beside it; without one it says
// which program it missed and ends with status 2.
TEST(ServeCommand, MainProgramWithoutItsServerProgramSaysWhichItMissed)
{
    tavotest::TempDir dir;
    fs::copy_file(TAVO_BINARY, dir / "tavoalign");
    std::ostringstream command;
    command << (dir / "tavoalign") << " -serve " << dir.path() << " 2>" << (dir / "err");
    const int status = std::system(command.str().c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(readFile(dir / "err"), "tavoalign: -serve: " + (dir / "tavoalign-serve").string() +
                                         ": cannot run the server program: No such file or directory\n");
}
