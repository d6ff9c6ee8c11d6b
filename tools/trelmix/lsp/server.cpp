#include "lsp/server.h"

#include <charconv>
#include <istream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>

#include "lsp/language.h"

namespace trelmix::cli::lsp {

using nlohmann::json;

namespace {

// One message's body, or nothing at the end of the input. Headers other than
// Content-Length are read and ignored.
std::optional<std::string> ReadMessage(std::istream& in) {
    std::size_t length = 0;
    bool sized = false;
    for (std::string header; std::getline(in, header);) {
        if (!header.empty() && header.back() == '\r') header.pop_back();
        if (header.empty()) {
            if (!sized) continue;  // stray blank line between messages
            std::string body(length, '\0');
            if (!in.read(body.data(), static_cast<std::streamsize>(length))) return std::nullopt;
            return body;
        }
        constexpr std::string_view kLength = "content-length:";
        std::string lower = header.substr(0, kLength.size());
        for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (lower == kLength) {
            const std::string value = header.substr(header.find_first_not_of(' ', kLength.size()) == std::string::npos
                                                        ? header.size()
                                                        : header.find_first_not_of(' ', kLength.size()));
            sized = std::from_chars(value.data(), value.data() + value.size(), length).ec == std::errc{};
        }
    }
    return std::nullopt;
}

void Send(std::ostream& out, const json& message) {
    const std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body << std::flush;
}

json Capabilities() {
    return {{"textDocumentSync", {{"openClose", true}, {"change", 1}}},
            {"hoverProvider", true},
            {"completionProvider", {{"triggerCharacters", json::array({"'", "_"})}}},
            {"documentSymbolProvider", true},
            {"foldingRangeProvider", true},
            {"definitionProvider", true},
            {"documentFormattingProvider", true},
            {"codeActionProvider", {{"codeActionKinds", json::array({"quickfix"})}}}};
}

class Server {
public:
    explicit Server(std::ostream& out) : out_(out) {}

    // False once `exit` arrives.
    bool Handle(const json& message) {
        const std::string method = message.value("method", std::string());
        const json params = message.value("params", json::object());
        if (method == "exit") return false;
        if (!message.contains("id")) {
            try {
                Notify(method, params);
            } catch (const json::exception&) {
                // a malformed notification has no one to answer
            }
            return true;
        }
        json reply = {{"jsonrpc", "2.0"}, {"id", message["id"]}};
        try {
            reply["result"] = Answer(method, params);
        } catch (const MethodNotFound&) {
            reply["error"] = {{"code", -32601}, {"message", "no such method: " + method}};
        } catch (const json::exception& e) {
            reply["error"] = {{"code", -32602}, {"message", e.what()}};
        }
        Send(out_, reply);
        return true;
    }

    bool shutDown() const { return shutDown_; }

private:
    struct MethodNotFound {};

    void Notify(const std::string& method, const json& params) {
        if (method == "textDocument/didOpen") {
            const json& doc = params.at("textDocument");
            Update(doc.at("uri"), doc.at("text"));
        } else if (method == "textDocument/didChange") {
            // Full-document sync: the last change holds the whole text.
            const json& changes = params.at("contentChanges");
            if (!changes.empty()) Update(params.at("textDocument").at("uri"), changes.back().at("text"));
        } else if (method == "textDocument/didClose") {
            const std::string uri = params.at("textDocument").at("uri");
            documents_.erase(uri);
            Publish(uri, json::array());
        }
    }

    void Update(const std::string& uri, const std::string& text) {
        documents_[uri] = text;
        Publish(uri, Diagnostics(text, Keyboard(text)));
    }

    void Publish(const std::string& uri, json diagnostics) {
        Send(out_, {{"jsonrpc", "2.0"},
                    {"method", "textDocument/publishDiagnostics"},
                    {"params", {{"uri", uri}, {"diagnostics", std::move(diagnostics)}}}});
    }

    static bool Keyboard(const std::string& text) {
        return DeclaredMode(std::string_view(text)) == ScriptMode::Keyboard;
    }

    json Answer(const std::string& method, const json& params) {
        if (method == "initialize") {
            return {{"capabilities", Capabilities()}, {"serverInfo", {{"name", "trelmix"}}}};
        }
        if (method == "shutdown") {
            shutDown_ = true;
            return nullptr;
        }
        if (!method.starts_with("textDocument/")) throw MethodNotFound{};
        const std::string uri = params.at("textDocument").at("uri");
        const auto found = documents_.find(uri);
        if (found == documents_.end()) return nullptr;
        const std::string& text = found->second;
        Position at;
        if (params.contains("position")) {
            at.line = params["position"].at("line");
            at.character = params["position"].at("character");
        }
        if (method == "textDocument/hover") return Hover(text, Keyboard(text), at);
        if (method == "textDocument/completion") return Completion(text, Keyboard(text), at);
        if (method == "textDocument/documentSymbol") return Symbols(text);
        if (method == "textDocument/foldingRange") return Folds(text);
        if (method == "textDocument/definition") return Definition(text, uri, at);
        if (method == "textDocument/formatting") return FormattingEdits(text);
        if (method == "textDocument/codeAction") {
            return CodeActions(uri, params.value("context", json::object()).value("diagnostics", json::array()));
        }
        throw MethodNotFound{};
    }

    std::ostream& out_;
    std::map<std::string, std::string> documents_;
    bool shutDown_ = false;
};

}  // namespace

int Serve(std::istream& in, std::ostream& out) {
    Server server(out);
    while (const std::optional<std::string> body = ReadMessage(in)) {
        const json message = json::parse(*body, nullptr, false);
        if (message.is_discarded() || !message.is_object()) {
            Send(out, {{"jsonrpc", "2.0"}, {"id", nullptr}, {"error", {{"code", -32700}, {"message", "parse error"}}}});
            continue;
        }
        if (!server.Handle(message)) break;
    }
    return server.shutDown() ? 0 : 1;
}

}  // namespace trelmix::cli::lsp
