// The engines `trelmix test` can run cases on: the program's own (the library
// linked in, with the run observer's trace, or trelmix-x86's DLL), and a
// process that speaks `run --jsonl`.
#include <nlohmann/json.hpp>

#include "common/host_id.h"
#include "common/record_escapes.h"
#include "common/text_encoding.h"
#include "run/jsonl.h"
#include "test/test_runner.h"

// A process engine needs a shell and pipes: not on Windows, and not in the
// WebAssembly build (node), which starts no process.
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#define TRELMIX_PROCESS_ENGINE
#endif

#ifdef TRELMIX_PROCESS_ENGINE
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <thread>
extern char** environ;
#endif

namespace trelmix::cli {

namespace {

using nlohmann::json;

class Linked final : public CaseEngine {
public:
    Linked(EngineFactory factory, bool trace) : factory_(std::move(factory)), trace_(trace) {}

    bool Start(const SessionSpec& s, std::string&) override {
        session_.reset();  // one recording platform at a time
        session_ = factory_ ? factory_(s.id, s.host) : std::make_unique<Session>(s.id, s.host);
        explainer_ = std::make_unique<Explainer>();
        return true;
    }

    std::optional<bool> Assign(const std::string& script, std::string&) override {
        const std::u16string text = FromCommandLine(script);
        explainer_->Assigned(text);
        return session_->Assign(text).assigned;
    }

    std::optional<CaseOutcome> Run(const CaseFileStep& c, std::string&) override {
        CaseOutcome out;
        const auto execute = [&] { return session_->Execute(c.record, c.host.codeType, c.host.protocol); };
        out.result = trace_ ? explainer_->Run(execute, out.trace) : execute();
        return out;
    }

private:
    EngineFactory factory_;
    bool trace_;
    std::unique_ptr<Engine> session_;
    std::unique_ptr<Explainer> explainer_;
};

#ifdef TRELMIX_PROCESS_ENGINE

// CMD run --jsonl ... through `sh -c`, so that CMD may hold its own
// arguments; one request line out, one answer line back.
class Process final : public CaseEngine {
public:
    Process(std::string command, bool trace, double timeout)
        : command_(std::move(command)), trace_(trace), timeoutMs_(static_cast<int>(timeout * 1000)) {
        std::signal(SIGPIPE, SIG_IGN);
    }
    ~Process() override { Stop(); }

    bool Start(const SessionSpec& s, std::string& error) override {
        Stop();
        std::vector<std::string> args = {"/bin/sh", "-c", command_ + " \"$@\"", "sh", "run", "--jsonl"};
        for (const std::string& a : SessionArguments(s)) args.push_back(a);
        args.insert(args.end(), {"--", ""});  // no script yet: each comes as an assign line
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        int in[2], out[2];
        if (pipe(in) != 0) return Fail(error, "cannot make a pipe");
        if (pipe(out) != 0) {
            close(in[0]);
            close(in[1]);
            return Fail(error, "cannot make a pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
        posix_spawnattr_t attributes;  // a group of its own, so that a kill reaches what the shell started
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const int spawned = posix_spawn(&pid_, "/bin/sh", &actions, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        to_ = fdopen(in[1], "w");
        from_ = out[0];
        pending_.clear();
        if (spawned != 0 || !to_) return Fail(error, "cannot start '" + command_ + "'");
        json first;
        return Answer(first, error);  // the empty script's assignment
    }

    std::optional<bool> Assign(const std::string& script, std::string& error) override {
        // As UTF-8 of the text the library would get, so that a script that
        // is not UTF-8 (widened byte for byte) survives the JSON line.
        json a;
        if (!Ask(json{{"assign", ToTerminal(FromCommandLine(script))}}, a, error)) return std::nullopt;
        if (!a.contains("assigned") || !a["assigned"].is_boolean())
            return Fail(error, "no \"assigned\" in " + a.dump()), std::nullopt;
        return a["assigned"].get<bool>();
    }

    std::optional<CaseOutcome> Run(const CaseFileStep& c, std::string& error) override {
        json request = {{"hex", EncodeHex(c.record.data(), c.record.size())},
                        {"code_type", c.host.codeType},
                        {"protocol", c.host.protocol}};
        if (trace_) request["explain"] = true;
        json a;
        if (!Ask(request, a, error)) return std::nullopt;
        CaseOutcome out;
        try {
            const json& status = a.at("status");
            const json& length = a.at("length");
            if (!status.is_number_integer() || status.get<std::int64_t>() < INT32_MIN ||
                status.get<std::int64_t>() > INT32_MAX || !length.is_number_unsigned() ||
                length.get<std::uint64_t>() > UINT32_MAX) {
                throw std::invalid_argument("status or length out of range");
            }
            out.result.status = status.get<std::int32_t>();
            out.result.length = length.get<std::uint32_t>();
            auto bytes = DecodeHex(a.at("hex").get<std::string>());
            auto output = ParseOutput(a.at("output"));
            if (!bytes || !output) throw std::invalid_argument("hex or output");
            out.result.bytes = std::move(*bytes);
            out.result.output = std::move(*output);
            if (a.contains("trace")) out.trace = ParseTrace(a["trace"]).value_or(Trace{});
        } catch (const std::exception&) {
            return Fail(error, "not a record's answer: " + a.dump()), std::nullopt;
        }
        return out;
    }

private:
    static bool Fail(std::string& error, const std::string& why) {
        error = why;
        return false;
    }

    bool Ask(const json& request, json& answer, std::string& error) {
        const std::string line = request.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
        if (!to_ || std::fputs(line.c_str(), to_) < 0 || std::fflush(to_) != 0) {
            return Fail(error, "the engine stopped reading");
        }
        return Answer(answer, error);
    }

    // One line from the engine within the time limit.
    bool ReadLine(std::string& line, std::string& error) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
        for (std::size_t end; (end = pending_.find('\n')) == std::string::npos;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd ready{from_, POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) == 0) {
                Kill();
                return Fail(error, "the engine gave no answer within " + Seconds() + " (--case-timeout)");
            }
            char buffer[65536];
            const ssize_t n = read(from_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return Fail(error, "the engine gave no answer");
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
        const std::size_t end = pending_.find('\n');
        line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return true;
    }

    std::string Seconds() const {
        std::ostringstream s;
        s << timeoutMs_ / 1000.0 << " s";
        return s.str();
    }

    void Kill() {
        if (pid_ > 0) kill(-pid_, SIGKILL);
    }

    bool Answer(json& answer, std::string& error) {
        std::string line;
        if (!ReadLine(line, error)) return false;
        if (line.empty()) return Fail(error, "the engine gave no answer");
        answer = json::parse(line, nullptr, false);
        if (!answer.is_object()) return Fail(error, "the engine's answer is not a JSON object: " + line);
        if (answer.contains("error")) return Fail(error, "the engine answered " + line);
        return true;
    }

    // Closes the engine's input and waits for it to end, within the time
    // limit; an engine that does not end then is killed.
    void Stop() {
        if (to_) std::fclose(to_);
        to_ = nullptr;
        if (from_ >= 0) close(from_);
        from_ = -1;
        if (pid_ <= 0) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
        while (waitpid(pid_, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                Kill();
                waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = 0;
    }

    std::string command_;
    bool trace_;
    int timeoutMs_;
    pid_t pid_ = 0;
    std::FILE* to_ = nullptr;
    int from_ = -1;
    std::string pending_;  // read from the engine, not yet answered
};

#endif

}  // namespace

std::vector<std::string> SessionArguments(const SessionSpec& s) {
    std::vector<std::string> args;
    if (s.keyboard) {
        args.push_back("--keyboard");
    } else if (std::memcmp(&s.id, &kDefaultApplicationId, sizeof(HostId)) != 0) {
        args.insert(args.end(), {"--id", FormatHostId(s.id)});
    }
    const std::vector<std::string> host = HostArguments(s.host);
    args.insert(args.end(), host.begin(), host.end());
    return args;
}

std::unique_ptr<CaseEngine> LinkedEngine(const EngineFactory& factory, bool trace) {
    return std::make_unique<Linked>(factory, trace);
}

std::unique_ptr<CaseEngine> ProcessEngine(const std::string& command, bool trace, double timeout) {
#ifdef TRELMIX_PROCESS_ENGINE
    return std::make_unique<Process>(command, trace, timeout);
#else
    (void)command;
    (void)trace;
    (void)timeout;
    return nullptr;
#endif
}

}  // namespace trelmix::cli
