// `trelmix lsp`: a language server over standard input and output (JSON-RPC
// messages framed by Content-Length headers), answering from lsp/language.h.
#pragma once

#include <iosfwd>

namespace trelmix::cli::lsp {

// Serves until `exit` or the end of the input: 0 after a shutdown request,
// else 1 (as the protocol asks).
int Serve(std::istream& in, std::ostream& out);

}  // namespace trelmix::cli::lsp
