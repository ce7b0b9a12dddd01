#include "server/ServeCommand.h"

#include "page/PageFile.h"
#include "server/PageStore.h"
#include "server/Rewords.h"
#include "server/ZoneJson.h"
#include "util/Strings.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace tavo {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Deeper JSON than this is refused before it is parsed.
constexpr int kMaxJsonDepth = 64;

std::mutex runningMutex;
httplib::Server* running = nullptr;

const char* contentType(const fs::path& file)
{
    std::string ext = file.extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::pair<const char*, const char*> types[] = {
        {".html", "text/html; charset=utf-8"}, {".htm", "text/html; charset=utf-8"},
        {".png", "image/png"},                 {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},               {".gif", "image/gif"},
        {".svg", "image/svg+xml"},             {".tif", "image/tiff"},
        {".tiff", "image/tiff"},               {".bmp", "image/bmp"},
        {".css", "text/css; charset=utf-8"},   {".js", "text/javascript; charset=utf-8"},
        {".json", "application/json"},         {".xml", "application/xml"},
        {".txt", "text/plain; charset=utf-8"}, {".csv", "text/csv; charset=utf-8"},
    };
    for (const auto& [e, type] : types)
        if (ext == e)
            return type;
    return "application/octet-stream";
}

// JSON with <, > and & written as \u escapes (they can stand only inside
// strings), so no text of a zone can read as markup whatever takes it.
void answer(httplib::Response& res, int status, const json& body)
{
    const std::string text = body.dump(-1, ' ', false, json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '<')
            out += "\\u003c";
        else if (c == '>')
            out += "\\u003e";
        else if (c == '&')
            out += "\\u0026";
        else
            out += c;
    }
    res.status = status;
    res.set_content(out, "application/json");
}

void refuse(httplib::Response& res, int status, const std::string& why)
{
    answer(res, status, json{{"error", why}});
}

// Nesting deeper than kMaxJsonDepth (outside strings) is refused, so no
// parse or destruction recurses without bound.
bool shallowEnough(const std::string& body)
{
    int depth = 0;
    bool inString = false, escaped = false;
    for (char c : body) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if ((c == '[' || c == '{') && ++depth > kMaxJsonDepth)
            return false;
        else if (c == ']' || c == '}')
            --depth;
    }
    return true;
}

bool sameToken(const std::string& given, const std::string& token)
{
    if (given.size() != token.size())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < token.size(); ++i)
        diff |= static_cast<unsigned char>(given[i] ^ token[i]);
    return diff == 0;
}

// The file a GET path names under root, or nothing (see findPage for the rules).
std::optional<fs::path> staticFile(const fs::path& root, const std::string& path)
{
    std::string rel = path;
    while (!rel.empty() && rel.front() == '/')
        rel.erase(rel.begin());
    if (rel.find('\0') != std::string::npos || rel.find('\\') != std::string::npos)
        return std::nullopt;
    const fs::path given(rel);
    for (const fs::path& part : given)
        if (part == "..")
            return std::nullopt;
    std::error_code ec;
    fs::path real = fs::canonical(root / given, ec);
    if (ec || !isInside(real, root))
        return std::nullopt;
    if (fs::is_directory(real, ec)) {
        std::optional<fs::path> page;
        for (const char* name : {"index.html", "review.html"}) {
            const fs::path inner = fs::canonical(real / name, ec);
            if (!ec && isInside(inner, root) && fs::is_regular_file(inner, ec)) {
                page = inner;
                break;
            }
        }
        return page;
    }
    if (!fs::is_regular_file(real, ec))
        return std::nullopt;
    return real;
}

class Service {
public:
    Service(fs::path root, const ServeOptions& options) : root_(std::move(root)), options_(options) {}

    std::string token = randomToken();

    void install(httplib::Server& server, int port)
    {
        const std::string portText = std::to_string(port);
        allowedHosts_ = {options_.host + ":" + portText, "localhost:" + portText, "127.0.0.1:" + portText};
        server.set_payload_max_length(options_.maxBody);
        server.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                    {"Referrer-Policy", "no-referrer"},
                                    {"Cache-Control", "no-store"},
                                    {"X-Frame-Options", "DENY"}});
        server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            return gate(req, res) ? httplib::Server::HandlerResponse::Unhandled
                                  : httplib::Server::HandlerResponse::Handled;
        });
        server.Get("/api/zones", [this](const httplib::Request& req, httplib::Response& res) {
            guarded(res, [&] { zones(req, res); });
        });
        server.Post("/api/edit", [this](const httplib::Request& req, httplib::Response& res) {
            guarded(res, [&] { edit(req, res); });
        });
        server.Post("/api/save", [this](const httplib::Request& req, httplib::Response& res) {
            guarded(res, [&] { save(req, res); });
        });
        server.Post("/api/rewords", [this](const httplib::Request& req, httplib::Response& res) {
            guarded(res, [&] { rewords(req, res); });
        });
        server.Post(".*", [](const httplib::Request&, httplib::Response& res) { refuse(res, 404, "no such request"); });
        server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            guarded(res, [&] { file(req, res); });
        });
    }

private:
    // Requests must name this server as their host (a page of another site
    // reached through its own name is refused), and every request other than
    // GET and HEAD must carry the token.
    bool gate(const httplib::Request& req, httplib::Response& res)
    {
        // Compressing costs far more than sending on this machine's own
        // loopback (Brotli took 0.5 s for the zones of one page): every answer
        // goes out as it is.  The request object is the server's own, handed
        // to the handlers as const.
        const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        const std::string host = req.get_header_value("Host");
        if (std::find(allowedHosts_.begin(), allowedHosts_.end(), host) == allowedHosts_.end()) {
            refuse(res, 403, "unknown host");
            return false;
        }
        if (req.method != "GET" && req.method != "HEAD" &&
            !sameToken(req.get_header_value("X-Tavo-Token"), token)) {
            refuse(res, 403, "missing or wrong token");
            return false;
        }
        return true;
    }

    template <class F>
    void guarded(httplib::Response& res, F&& work)
    {
        try {
            work();
        } catch (const EditError& e) {
            refuse(res, 400, e.what());
        } catch (const json::exception& e) {
            refuse(res, 400, e.what());
        } catch (const std::exception& e) {
            refuse(res, 500, e.what());
        }
    }

    std::optional<PageFiles> page(const httplib::Request& req, httplib::Response& res)
    {
        std::optional<PageFiles> found = findPage(root_, req.get_param_value("page"));
        if (!found)
            refuse(res, 404, "no such page");
        return found;
    }

    json body(const httplib::Request& req)
    {
        if (!shallowEnough(req.body))
            throw EditError("the body is nested too deeply");
        json parsed = json::parse(req.body, nullptr, false);
        if (parsed.is_discarded() || !parsed.is_object())
            throw EditError("the body is not a JSON object");
        return parsed;
    }

    static const json& field(const json& body, const char* name)
    {
        const auto at = body.find(name);
        if (at == body.end())
            throw EditError(std::string("the body has no ") + name);
        return *at;
    }

    void zones(const httplib::Request& req, httplib::Response& res)
    {
        const std::optional<PageFiles> p = page(req, res);
        if (!p)
            return;
        PageView view;
        {
            std::lock_guard<std::mutex> lock(saving_);  // never half a save
            view = loadPage(*p);
        }
        json transcript = nullptr;
        if (view.transcript) {
            transcript = json::array();
            for (const std::u16string& line : *view.transcript)
                transcript.push_back(utf8FromWide(line));
        }
        answer(res, 200,
               json{{"version", view.version},
                    {"image", view.image},
                    {"width", view.width},
                    {"height", view.height},
                    {"transcript", transcript},
                    {"zones", zonesToJson(view.zones)}});
    }

    void edit(const httplib::Request& req, httplib::Response& res)
    {
        const std::optional<PageFiles> p = page(req, res);
        if (!p)
            return;
        const json b = body(req);
        const EditOp op = editOpFromJson(field(b, "op"));
        answer(res, 200, json{{"zones", zonesToJson(applyEdit(zonesFromJson(field(b, "zones")), op))}});
    }

    void save(const httplib::Request& req, httplib::Response& res)
    {
        const std::optional<PageFiles> p = page(req, res);
        if (!p)
            return;
        const json b = body(req);
        const json& base = field(b, "base");
        if (!base.is_string())
            throw EditError("base is not a version");
        const std::vector<EditZone> zones = zonesFromJson(field(b, "zones"));
        std::lock_guard<std::mutex> lock(saving_);
        SaveResult saved;
        try {
            saved = savePage(*p, base.get<std::string>(), zones);
        } catch (const VersionConflict& conflict) {
            refuse(res, 409, conflict.what());
            return;
        }
        answer(res, 200, json{{"version", saved.version}, {"verify", saved.verify}, {"doubtful", saved.doubtful}});
        if (options_.say)
            options_.say("saved " + (p->name == "." ? std::string() : p->name + "/") + "words.xml (version " +
                         saved.version + ")");
    }

    void rewords(const httplib::Request& req, httplib::Response& res)
    {
        const std::optional<PageFiles> p = page(req, res);
        if (!p)
            return;
        const json b = body(req);
        const json& line = field(b, "line");
        if (!line.is_number_integer())
            throw EditError("line is not a zone index");
        std::vector<EditZone> zones = zonesFromJson(field(b, "zones"));
        const std::optional<fs::path> image = pageImage(*p);
        if (!image) {
            refuse(res, 404, "the page image is missing");
            return;
        }
        Report quiet;
        const ZULImage picture = loadWorkingPage(wideFromUtf8(image->string()), quiet);
        answer(res, 200, json{{"zones", zonesToJson(rewordLine(picture, std::move(zones), line.get<int>()))}});
    }

    void file(const httplib::Request& req, httplib::Response& res)
    {
        const std::optional<fs::path> found = staticFile(root_, req.path);
        if (!found) {
            res.status = 404;
            res.set_content("not found\n", "text/plain; charset=utf-8");
            return;
        }
        std::ifstream in(*found, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        if (!in) {
            res.status = 404;
            res.set_content("not found\n", "text/plain; charset=utf-8");
            return;
        }
        res.set_content(bytes.str(), contentType(*found));
    }

    fs::path root_;
    ServeOptions options_;
    std::vector<std::string> allowedHosts_;
    std::mutex saving_;
};

}  // namespace

std::string randomToken()
{
    unsigned char bytes[16];
    std::FILE* random = std::fopen("/dev/urandom", "rb");
    const bool ok = random && std::fread(bytes, 1, sizeof bytes, random) == sizeof bytes;
    if (random)
        std::fclose(random);
    if (!ok)
        throw RuntimeFailure("/dev/urandom: cannot read");
    std::string out;
    static const char* hex = "0123456789abcdef";
    for (unsigned char b : bytes) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

void stopServing()
{
    std::lock_guard<std::mutex> lock(runningMutex);
    if (running)
        running->stop();
}

void runServe(const std::u16string& folder, const ServeOptions& options, Report& report)
{
    const std::string name = utf8FromWide(folder);
    std::error_code ec;
    const fs::path root = fs::canonical(fs::path(name), ec);
    if (ec || !fs::is_directory(root, ec))
        report.fail(name, "not a folder");

    Service service(root, options);
    httplib::Server server;
    const int port = options.port > 0 ? (server.bind_to_port(options.host, options.port) ? options.port : -1)
                                      : server.bind_to_any_port(options.host);
    if (port <= 0)
        report.fail(name, "cannot listen on " + options.host + ":" + std::to_string(options.port));
    service.install(server, port);

    // SIGINT and SIGTERM are taken by one thread, which stops the server; the
    // server's own threads inherit the blocked mask.
    sigset_t stopSignals, previous;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
    // A signal ignored from the start (a server started in the background
    // by a shell) would never reach sigwait.
    struct sigaction byDefault {}, oldInt {}, oldTerm {};
    byDefault.sa_handler = SIG_DFL;
    sigaction(SIGINT, &byDefault, &oldInt);
    sigaction(SIGTERM, &byDefault, &oldTerm);
    {
        std::lock_guard<std::mutex> lock(runningMutex);
        running = &server;
    }
    std::thread watcher([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    if (options.say)
        options.say("open http://" + options.host + ":" + std::to_string(port) + "/?token=" + service.token);
    server.listen_after_bind();
    {
        std::lock_guard<std::mutex> lock(runningMutex);
        running = nullptr;
    }
    pthread_kill(watcher.native_handle(), SIGTERM);  // wakes the watcher when the server stopped otherwise
    watcher.join();
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace tavo
