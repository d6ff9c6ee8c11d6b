// The editor help of the playground: the answers `trelmix lsp` gives (hover,
// completion, diagnostics with their fixes, formatting), from the same code.
// One entry point takes a request {"method", "text", "keyboard", "line",
// "character"} and returns the answer as JSON; the returned string stays
// valid until the next call.
#include <nlohmann/json.hpp>
#include <string>

#include "lsp/language.h"

namespace {

std::string answer;

nlohmann::json Answer(const nlohmann::json& request) {
    namespace lsp = trelmix::cli::lsp;
    const std::string method = request.at("method");
    const std::string text = request.at("text");
    const bool keyboard =
        request.value("keyboard", false) || lsp::DeclaredMode(std::string_view(text)) == lsp::ScriptMode::Keyboard;
    const lsp::Position at{request.value("line", 0u), request.value("character", 0u)};
    if (method == "hover") return lsp::Hover(text, keyboard, at);
    if (method == "completion") return lsp::Completion(text, keyboard, at);
    if (method == "diagnostics") return lsp::Diagnostics(text, keyboard);
    if (method == "formatting") return lsp::FormattingEdits(text);
    if (method == "symbols") return lsp::Symbols(text);
    return {{"error", "no such method: " + method}};
}

}  // namespace

extern "C" const char* trelmix_language(const char* request) {
    try {
        answer = Answer(nlohmann::json::parse(request)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    } catch (const std::exception& e) {
        answer = nlohmann::json{{"error", e.what()}}.dump();
    } catch (...) {
        answer = R"({"error": "out of memory"})";
    }
    return answer.c_str();
}
