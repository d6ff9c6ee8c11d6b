// The Trelmix engine in WebAssembly, for browsers and node. It speaks the
// language of `trelmix run --jsonl`: open a session with the id choice, the
// host options and a script (the answer is the {"assigned", "events"} line),
// then each request object or line gets exactly the answer object that
// `run --jsonl` prints. build.mjs puts emscripten's output and the
// WebAssembly (gzip, base64) where the markers stand.
let require; // node's, for emscripten's file system under node
const __dirname = '';
const wasmGzip = '/* WASM */';

/* EMSCRIPTEN */

// Settings: the command line of `trelmix run` as an object: {script,
// keyboard, id, records: [RECORD...], scans: FILE, code_type, protocol,
// transmit, text_encoding, typing_context, key_code_mode, delay_ms,
// caps_lock, real_time}; the numbers as numbers or as decimal text.
export class Engine {
  constructor(wasm) {
    this.wasm = wasm;
  }

  // Calls an entry point with text (a string, or bytes as they stand) and
  // returns its answer text.
  call(name, text) {
    const args = text === undefined ? [] : [text];
    if (typeof text === 'string') args[0] = new TextEncoder().encode(text);
    if (args.length) {
      const bytes = new Uint8Array(args[0].length + 1); // NUL-terminated
      bytes.set(args[0]);
      args[0] = bytes;
    }
    return this.wasm.ccall(name, 'string', args.map(() => 'array'), args);
  }

  // {"assigned", "events"}, or {"error"} for a bad setting; openLine gives
  // the line exactly as `run --jsonl` prints it.
  openLine(settings) {
    return this.call('trelmix_open', JSON.stringify(settings));
  }

  open(settings) {
    return JSON.parse(this.openLine(settings));
  }

  // One request line (text or bytes): its answer line, empty for a blank line.
  requestLine(line) {
    return this.call('trelmix_request', line);
  }

  // A request object: its answer object.
  request(request) {
    return JSON.parse(this.requestLine(JSON.stringify(request)));
  }

  // The last record's result in `trelmix run`'s words: its status line, then
  // what was typed, pressed or slept, one indented line each.
  words() {
    return this.call('trelmix_words');
  }

  // The records the settings gave ("records": RECORD arguments, or "scans":
  // a scans file), as request objects.
  records() {
    return this.call('trelmix_records').split('\n').filter(Boolean).map((l) => JSON.parse(l));
  }

  // `trelmix check --format jsonl`: {diagnostics: [...], ok, rules}. Ends the
  // open session.
  check(settings) {
    const lines = this.call('trelmix_check', JSON.stringify(settings)).split('\n').filter(Boolean).map((l) => JSON.parse(l));
    const summary = lines.pop();
    return { diagnostics: lines, ok: summary.ok, rules: summary.rules, error: summary.error };
  }

  // A file of the engine's own file system (in memory in a browser), for a
  // script assigned by path as a file is.
  writeFile(path, text) {
    this.wasm.FS.writeFile(path, text);
  }

  // Node only: the host's files under their own paths, and the current
  // directory, so that a script is found by path as the command finds it.
  mountHostFiles(fs, cwd) {
    const FS = this.wasm.FS;
    for (const entry of fs.readdirSync('/')) {
      if (entry === 'dev' || entry === 'proc' || !fs.statSync('/' + entry, { throwIfNoEntry: false })?.isDirectory()) continue;
      try {
        FS.mkdir('/' + entry);
      } catch {
        // exists already (/tmp, /home)
      }
      FS.mount(FS.filesystems.NODEFS, { root: '/' + entry }, '/' + entry);
    }
    FS.chdir(cwd);
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
