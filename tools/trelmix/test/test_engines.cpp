// The engines `trelmix test` can run cases on: the program's own (the library
// linked in, with the run observer's trace, or trelmix-x86's DLL), and a
// process that speaks `run --jsonl`.
#include <nlohmann/json.hpp>

#include "common/host_id.h"
#include "run/jsonl.h"
#include "common/record_escapes.h"
#include "test/test_runner.h"
#include "common/text_encoding.h"

#ifndef _WIN32
#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
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
        const auto execute = [&] { return session_->Execute(c.record, c.codeType, c.protocol); };
        out.result = trace_ ? explainer_->Run(execute, out.trace) : execute();
        return out;
    }

private:
    EngineFactory factory_;
    bool trace_;
    std::unique_ptr<Engine> session_;
    std::unique_ptr<Explainer> explainer_;
};

#ifndef _WIN32

// CMD run --jsonl ... through `sh -c`, so that CMD may hold its own
// arguments; one request line out, one answer line back.
class Process final : public CaseEngine {
public:
    Process(std::string command, bool trace) : command_(std::move(command)), trace_(trace) {
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
        const int spawned = posix_spawn(&pid_, "/bin/sh", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        to_ = fdopen(in[1], "w");
        from_ = fdopen(out[0], "r");
        if (spawned != 0 || !to_ || !from_) return Fail(error, "cannot start '" + command_ + "'");
        json first;
        return Answer(first, error);  // the empty script's assignment
    }

    std::optional<bool> Assign(const std::string& script, std::string& error) override {
        // As UTF-8 of the text the library would get, so that a script that
        // is not UTF-8 (widened byte for byte) survives the JSON line.
        json a;
        if (!Ask(json{{"assign", ToTerminal(FromCommandLine(script))}}, a, error)) return std::nullopt;
        if (!a.contains("assigned") || !a["assigned"].is_boolean()) return Fail(error, "no \"assigned\" in " + a.dump()), std::nullopt;
        return a["assigned"].get<bool>();
    }

    std::optional<CaseOutcome> Run(const CaseFileStep& c, std::string& error) override {
        json request = {{"hex", EncodeHex(c.record.data(), c.record.size())},
                        {"code_type", c.codeType},
                        {"protocol", c.protocol}};
        if (trace_) request["explain"] = true;
        json a;
        if (!Ask(request, a, error)) return std::nullopt;
        CaseOutcome out;
        try {
            out.result.status = a.at("status").get<std::int32_t>();
            out.result.length = a.at("length").get<std::uint32_t>();
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

    bool Answer(json& answer, std::string& error) {
        std::string line;
        for (int c; (c = std::fgetc(from_)) != EOF && c != '\n';) line.push_back(static_cast<char>(c));
        if (line.empty()) return Fail(error, "the engine gave no answer");
        answer = json::parse(line, nullptr, false);
        if (!answer.is_object()) return Fail(error, "the engine's answer is not a JSON object: " + line);
        if (answer.contains("error")) return Fail(error, "the engine answered " + line);
        return true;
    }

    void Stop() {
        if (to_) std::fclose(to_);
        if (from_) std::fclose(from_);
        to_ = from_ = nullptr;
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

    std::string command_;
    bool trace_;
    pid_t pid_ = 0;
    std::FILE* to_ = nullptr;
    std::FILE* from_ = nullptr;
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
    const HostOptions defaults;
    const auto number = [&](const char* name, std::uint32_t value, std::uint32_t otherwise) {
        if (value != otherwise) args.insert(args.end(), {name, std::to_string(value)});
    };
    number("--text-encoding", s.host.textEncoding, defaults.textEncoding);
    number("--typing-context", s.host.typingContext, defaults.typingContext);
    number("--key-code-mode", s.host.keyCodeMode, defaults.keyCodeMode);
    number("--delay-ms", s.host.delayMs, defaults.delayMs);
    if (!s.host.transmit) args.push_back("--no-transmit");
    if (s.host.capsLock) args.push_back("--caps-lock");
    return args;
}

std::unique_ptr<CaseEngine> LinkedEngine(const EngineFactory& factory, bool trace) {
    return std::make_unique<Linked>(factory, trace);
}

std::unique_ptr<CaseEngine> ProcessEngine(const std::string& command, bool trace) {
#ifndef _WIN32
    return std::make_unique<Process>(command, trace);
#else
    (void)command;
    (void)trace;
    return nullptr;
#endif
}

}  // namespace trelmix::cli
