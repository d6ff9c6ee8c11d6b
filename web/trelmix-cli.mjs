#!/usr/bin/env node
// The trelmix command in WebAssembly, under node:
//
//   node trelmix-cli.mjs COMMAND [OPTIONS] ...     as `trelmix COMMAND [OPTIONS] ...`
//
// This is the native command's own code (tools/trelmix, main() included)
// built by emscripten into trelmix-node.cjs and trelmix-node.wasm, on the
// machine's files and this process's standard input, output and error: it
// answers, byte for byte, as the native command does, and exits with its
// status. Only `test --engine` is refused (a WebAssembly program starts no
// process).
import fs from 'node:fs';
import { createRequire } from 'node:module';

const here = new URL('.', import.meta.url);
const dir = [here, new URL('../build/web/', here)].find((u) => fs.existsSync(new URL('trelmix-node.wasm', u)));
if (!dir) {
  process.stderr.write('trelmix: the command is not built: run `make web`\n');
  process.exit(2);
}

// The arguments as the bytes they were given: process.argv has them decoded
// as UTF-8, which loses the bytes that are not UTF-8. Linux keeps the bytes
// in /proc/self/cmdline (NUL-terminated, node's own options in front): the
// last ones are ours when they decode to what node saw.
function argumentBytes() {
  const given = process.argv.slice(2);
  try {
    const all = fs.readFileSync('/proc/self/cmdline');
    const parts = [];
    for (let at = 0, end; (end = all.indexOf(0, at)) >= 0; at = end + 1) parts.push(all.subarray(at, end));
    const ours = parts.slice(parts.length - given.length);
    if (ours.length === given.length && ours.every((bytes, i) => bytes.toString() === given[i])) return ours;
  } catch {
    // not Linux: the decoded arguments, encoded again
  }
  return given.map((a) => Buffer.from(a));
}

// A write to a pipe whose reader is gone ends the native command by SIGPIPE.
// Node ignores that signal; listening to it and then stopping puts back the
// default action, and the process ends by the signal as the native one does.
function dieOfSigpipe() {
  const ignore = () => {};
  process.on('SIGPIPE', ignore).off('SIGPIPE', ignore);
  process.kill(process.pid, 'SIGPIPE');
  process.exit(128 + 13); // where there is no such signal
}

// The command reads and writes the standard streams with node's fs calls. A
// stream left non-blocking (a pipe a node parent shares) answers EAGAIN
// where the native command would wait: wait too.
const pause = new Int32Array(new SharedArrayBuffer(4));
for (const name of ['readSync', 'writeSync']) {
  const call = fs[name];
  fs[name] = (...a) => {
    for (;;) {
      try {
        return call(...a);
      } catch (e) {
        if (e.code === 'EPIPE') dieOfSigpipe();
        if (e.code !== 'EAGAIN') throw e;
        Atomics.wait(pause, 0, 0, 1);
      }
    }
  };
}

const args = [Buffer.from('trelmix'), ...argumentBytes()];
const createCommand = createRequire(import.meta.url)(new URL('trelmix-node.cjs', dir).pathname);
const command = await createCommand({ wasmBinary: fs.readFileSync(new URL('trelmix-node.wasm', dir)) });

// main(argc, argv) on the heap; then standard output is flushed and the
// process ends with main's status.
const argv = command._malloc(4 * (args.length + 1));
args.forEach((bytes, i) => {
  const at = command._malloc(bytes.length + 1);
  command.HEAPU8.set(bytes, at);
  command.HEAPU8[at + bytes.length] = 0;
  command.HEAPU32[argv / 4 + i] = at;
});
command.HEAPU32[argv / 4 + args.length] = 0;
const status = command._main(args.length, argv);
command._fflush(0);
process.exit(status);
