// The Trelmix engine in WebAssembly, for browsers and node. It speaks the
// language of `trelmix run --jsonl`, through the command's own code: open a
// run with the id choice, the host options and a script (the answer is the
// {"assigned", "events"} line), then each request object or line gets exactly
// the answer that `run --jsonl` prints ("explain": true, its "trace";
// {"error"} for a bad line). build.mjs puts emscripten's output and the
// WebAssembly (gzip, base64) where the markers stand.
let require; // node's, for emscripten's file system under node
const __dirname = '';
const wasmGzip = '/* WASM */';

/* EMSCRIPTEN */

// Settings: the command line of `trelmix run --jsonl` as an object: {script,
// keyboard, id, records: [RECORD...], scans: FILE, text, explain, code_type,
// protocol, transmit, text_encoding, typing_context, key_code_mode, delay_ms,
// caps_lock, real_time}; the numbers as numbers or as decimal text.
export class Engine {
  constructor(wasm) {
    this.wasm = wasm;
  }

  // Calls an entry point with text (a string, or bytes as they stand) and
  // returns its answer. The text goes on the heap, not the stack (a request
  // line may be megabytes long), NUL-terminated, and its length is passed too
  // for the entry points that take bytes as they are, NULs included.
  call(name, text, returns = 'string') {
    if (text === undefined) return this.wasm.ccall(name, returns, [], []);
    const bytes = typeof text === 'string' ? new TextEncoder().encode(text) : text;
    const at = this.wasm._malloc(bytes.length + 1);
    if (!at) throw new Error('out of memory');
    try {
      this.wasm.HEAPU8.set(bytes, at);
      this.wasm.HEAPU8[at + bytes.length] = 0;
      return this.wasm.ccall(name, returns, ['number', 'number'], [at, bytes.length]);
    } finally {
      this.wasm._free(at);
    }
  }

  // Starts a run: its first line exactly as `run --jsonl` prints it (the
  // {"assigned", "events"} of the script), or '' when the command would
  // refuse the settings (messages() tells why). Ends the run before.
  openLine(settings) {
    return this.call('trelmix_open', JSON.stringify(settings));
  }

  // The first line as an object, or {error} for settings the command refuses.
  open(settings) {
    const line = this.openLine(settings);
    return line ? JSON.parse(line) : { error: this.messages().trim() };
  }

  // What the command printed on standard error: the script's warnings, or why
  // it refused its settings.
  messages() {
    return this.call('trelmix_messages');
  }

  // The exit status the command would end with now: 2 after a usage error or
  // a bad request line, 1 when the script was not assigned, else 0.
  status() {
    return this.call('trelmix_status', undefined, 'number');
  }

  // One request line (text or bytes): its answer line ({"error"} for a bad
  // line), '' for a blank line.
  requestLine(line) {
    return this.call('trelmix_request', line);
  }

  // A request object: its answer object.
  request(request) {
    return JSON.parse(this.requestLine(JSON.stringify(request)));
  }

  // The records the settings gave ("records": RECORD arguments, or "scans":
  // a scans file), as request objects.
  records() {
    return this.call('trelmix_records').split('\n').filter(Boolean).map((l) => JSON.parse(l));
  }

  // The answer lines to the records the settings gave, as the command prints
  // them (with their traces under "explain").
  given() {
    return this.call('trelmix_given').split('\n').filter(Boolean);
  }

  // The latest record's result in `trelmix run`'s words: its status line,
  // what was typed, pressed or slept, one indented line each, and its trace
  // when it was asked for.
  words() {
    return this.call('trelmix_words');
  }

  // `trelmix check --format jsonl`: {diagnostics: [...], ok, rules}, with
  // {error} when it could not check. Ends the open run.
  check(settings) {
    const lines = this.call('trelmix_check', JSON.stringify(settings)).split('\n').filter(Boolean).map((l) => JSON.parse(l));
    const summary = lines.at(-1)?.ok !== undefined ? lines.pop() : { ok: false, rules: 0, error: this.messages().trim() };
    return { diagnostics: lines, ...summary };
  }

  // What `trelmix lsp` answers, from the same code: {method: "hover",
  // "completion", "diagnostics", "formatting" or "symbols", text, keyboard,
  // line, character} (lines and characters from 0) gives the protocol's
  // Hover, CompletionItem[], Diagnostic[], TextEdit[] or DocumentSymbol[].
  language(request) {
    return JSON.parse(this.call('trelmix_language', JSON.stringify(request)));
  }

  // A file of the engine's own file system (in memory in a browser), for a
  // script assigned by path as a file is.
  writeFile(path, text) {
    this.wasm.FS.writeFile(path, text);
  }
}

export async function createEngine() {
  const node = globalThis.process?.versions?.node;
  if (node) require = (await import('node:module')).createRequire(import.meta.url);
  const events = ['uncaughtException', 'unhandledRejection'];
  const listeners = node ? events.map((e) => process.listeners(e)) : [];
  const gzip = Uint8Array.from(atob(wasmGzip), (c) => c.charCodeAt(0));
  const stream = new Blob([gzip]).stream().pipeThrough(new DecompressionStream('gzip'));
  const wasm = await TrelmixWasm({ wasmBinary: new Uint8Array(await new Response(stream).arrayBuffer()) });
  // emscripten's handlers of errors that are not its own go: they are the caller's.
  events.forEach((e, i) => node && process.listeners(e).filter((l) => !listeners[i].includes(l)).forEach((l) => process.off(e, l)));
  return new Engine(wasm);
}
