#!/usr/bin/env node
// `trelmix run --jsonl` on the WebAssembly engine, under node:
//
//   node web/trelmix-cli.mjs run [--keyboard | --id GUID] [HOST OPTIONS] [--text] [--explain] [--jsonl]
//                                [--scans FILE] SCRIPT [RECORD...]
//
// The output is always that of `--jsonl`: the assign line, then one answer
// line per record (arguments or --scans) or, without them, per request line
// read from standard input; the script's warnings go to standard error. Exit
// status as the command's: 0, 1 when SCRIPT was not assigned, 2 for a usage
// error or a bad request line (answered with {"error"}, and the run goes on).
import fs from 'node:fs';

const here = new URL('.', import.meta.url);
const built = [new URL('trelmix.mjs', here), new URL('../build/web/trelmix.mjs', here)].find((u) => fs.existsSync(u));

const valueOptions = {
  '--id': 'id', '--code-type': 'code_type', '--protocol': 'protocol', '--text-encoding': 'text_encoding',
  '--typing-context': 'typing_context', '--key-code-mode': 'key_code_mode', '--delay-ms': 'delay_ms',
  '--scans': 'scans',
};
const flagOptions = {
  '--keyboard': ['keyboard', true], '--no-transmit': ['transmit', false], '--caps-lock': ['caps_lock', true],
  '--real-time': ['real_time', true], '--text': ['text', true], '--explain': ['explain', true], '--jsonl': ['jsonl', true],
};

function usage(message) {
  process.stderr.write(`${message.startsWith('trelmix:') ? '' : 'trelmix: '}${message}\nusage: node trelmix-cli.mjs run ` +
    '[--keyboard | --id GUID] [host options] [--text] [--explain] [--jsonl] [--scans FILE] SCRIPT [RECORD...]\n');
  process.exit(2);
}

// The command line of `trelmix run`: options anywhere, `--` ends them.
function parse(args) {
  if (args[0] !== 'run') usage(args.length ? `unknown command '${args[0]}' (only 'run' is here)` : 'a command is required');
  const settings = {};
  const positional = [];
  for (let i = 1; i < args.length; ++i) {
    const arg = args[i];
    if (arg === '--') {
      positional.push(...args.slice(i + 1));
      break;
    }
    const [name, inline] = arg.startsWith('--') ? arg.split(/=(.*)/s) : [arg];
    if (name in valueOptions) {
      const value = inline ?? args[++i];
      if (value === undefined) usage(`${name} needs a value`);
      if (valueOptions[name] in settings) usage(`${name}: At Most 1 required but received 2`);
      settings[valueOptions[name]] = value;
    } else if (name in flagOptions) {
      // --flag, or --flag=VALUE as the command takes it (yes/no, true/false, on/off, 1/0).
      const on = inline === undefined || /^(true|yes|on|1|enable)$/i.test(inline);
      if (!on && !/^(false|no|off|0|disable)$/i.test(inline)) usage(`Could not convert: ${name} = ${inline}`);
      if (on) settings[flagOptions[name][0]] = flagOptions[name][1];
    } else if (arg.startsWith('-') && arg.length > 1 && !/^-[0-9]/.test(arg)) {
      usage(`unknown option '${arg}'`);
    } else {
      positional.push(arg);
    }
  }
  if (settings.keyboard && settings.id !== undefined) usage('--keyboard excludes --id');
  if (positional.length === 0) usage('SCRIPT is required');
  [settings.script, ...settings.records] = positional;
  if (settings.records.length && settings.scans !== undefined) usage('RECORD excludes --scans');
  return settings;
}

const settings = parse(process.argv.slice(2));
if (!built) usage('the engine is not built: run `make web`');
const { createEngine } = await import(built);
const engine = await createEngine();
engine.mountHostFiles(fs, process.cwd());

const firstLine = engine.openLine(settings);
process.stderr.write(engine.messages()); // the script's warnings, or the usage error
if (!firstLine) process.exit(engine.status());
const print = (line) => process.stdout.write(line + '\n');
process.stdout.on('error', () => process.exit(engine.status())); // a reader that went away (| head)
print(firstLine);

if (settings.records.length || settings.scans !== undefined) {
  engine.given().forEach(print);
} else {
  // Each request line, as bytes: its answer, if any ({"error"} for a bad one).
  const answer = (line) => {
    const text = engine.requestLine(line);
    if (text !== '') print(text);
  };
  let pending = Buffer.alloc(0);
  for await (const chunk of process.stdin) {
    pending = Buffer.concat([pending, chunk]);
    for (let end; (end = pending.indexOf(10)) >= 0; pending = pending.subarray(end + 1)) answer(pending.subarray(0, end));
  }
  if (pending.length) answer(pending);
}
process.exitCode = engine.status();
