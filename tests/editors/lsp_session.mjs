// A scripted editor session with `trelmix lsp`: messages framed as a client
// frames them, then what an author relies on in each answer.
//
// Usage: node lsp_session.mjs TRELMIX
import { spawn } from 'node:child_process';
import assert from 'node:assert/strict';

const server = spawn(process.argv[2], ['lsp'], { stdio: ['pipe', 'pipe', 'inherit'] });
let buffer = Buffer.alloc(0);
const waiting = new Map();  // id -> resolve
const published = [];        // publishDiagnostics params, in order
let onPublish = null;
server.stdout.on('data', (chunk) => {
  buffer = Buffer.concat([buffer, chunk]);
  for (;;) {
    const head = buffer.indexOf('\r\n\r\n');
    if (head < 0) return;
    const length = Number(/Content-Length: (\d+)/i.exec(buffer.subarray(0, head).toString())[1]);
    if (buffer.length < head + 4 + length) return;
    const message = JSON.parse(buffer.subarray(head + 4, head + 4 + length).toString());
    buffer = buffer.subarray(head + 4 + length);
    if (message.method === 'textDocument/publishDiagnostics') {
      published.push(message.params);
      onPublish?.();
    } else {
      waiting.get(message.id)(message);
    }
  }
});
// The header's name in either case, as clients send it.
const frame = (m) => { const body = JSON.stringify({ jsonrpc: '2.0', ...m }); return `${m.id % 2 ? 'Content-Length' : 'content-length'}: ${Buffer.byteLength(body)}\r\n\r\n${body}`; };
let nextId = 1;
const request = (method, params) => new Promise((resolve) => {
  const id = nextId++;
  waiting.set(id, resolve);
  server.stdin.write(frame({ id, method, params }));
});
const notify = (method, params) => server.stdin.write(frame({ method, params }));
const diagnostics = () => new Promise((resolve) => { onPublish = () => { onPublish = null; resolve(published.at(-1)); }; });

const uri = 'file:///session.trelmix';
const doc = { textDocument: { uri } };
const at = (line, character) => ({ ...doc, position: { line, character } });

const init = await request('initialize', { capabilities: {} });
// What the server offers, each asked for below; an editor asks for nothing it does not offer.
assert.deepEqual(init.result.capabilities, { textDocumentSync: { openClose: true, change: 1 }, hoverProvider: true,
  documentSymbolProvider: true, completionProvider: { triggerCharacters: ["'", '_'] }, foldingRangeProvider: true,
  definitionProvider: true, documentFormattingProvider: true, codeActionProvider: { codeActionKinds: ['quickfix'] } });

// An application script: the send line is a warning with a fix; a keyword in the
// wrong block is the error.
const application = [
  'BEGIN_RULE',              // 0
  'BEGIN_CRITERIA',          // 1
  ' CODE_LENGTH(8)',         // 2
  'END_CRITERIA',            // 3
  'BEGIN_ACTION',            // 4
  'PAD_ZEROS(4)',            // 5
  'SEND_EXTN(\'RET\')',      // 6
  'END_ACTION',              // 7
  'SET_RULESET(3)',          // 8
  '  END_RULE',              // 9
  'BEGIN_RULE',              // 10
  '    BEGIN_ACTION',        // 11
  '  RULESET_ON(3)',         // 12
  'END_ACTION',              // 13
  'END_RULE é', 'z'].join('\n'); // what follows a block keyword is ignored; a word is a comment
let got = diagnostics();
notify('textDocument/didOpen', { textDocument: { uri, languageId: 'trelmix', version: 1, text: application } });
let d = (await got).diagnostics;
// A warning with its fix, and a note (RULESET_ON of a set nothing switches off).
assert.deepEqual(d.map((x) => [x.severity, x.range.start.line, x.range.end.character, x.code]), [[2, 6, 9, 'send-ignored'], [3, 12, 12, 'ruleset-already-on']], JSON.stringify(d));
assert.deepEqual(d[0].data.fixes, [{ range: { start: { line: 0, character: 0 }, end: { line: 0, character: 0 } }, newText: '# trelmix: keyboard\n' }]);
const actions = await request('textDocument/codeAction', { ...doc, range: d[0].range, context: { diagnostics: d } });
assert.deepEqual(actions.result[0].edit.changes[uri], d[0].data.fixes);

// Every change is checked again: an error, and a warning.
got = diagnostics();
notify('textDocument/didChange', { textDocument: { uri, version: 2 },
  contentChanges: [{ text: application.replace('PAD_ZEROS(4)', 'CODE_LENGTH(4)').replace('RULESET_ON(3)', 'SKIP_AHEAD(0)') }] });
d = (await got).diagnostics;
assert.ok(d.some((x) => x.severity === 1 && x.range.start.line === 5), JSON.stringify(d));
got = diagnostics();
notify('textDocument/didChange', { textDocument: { uri, version: 3 }, contentChanges: [{ text: application.replace('PAD_ZEROS(4)', 'PAD_ZEROS(40)').replace('RULESET_ON', 'Ruleset_on') }] });
d = (await got).diagnostics;
assert.deepEqual(d.at(-1).data.fixes, [{ range: { start: { line: 12, character: 2 }, end: { line: 12, character: 12 } }, newText: 'RULESET_ON' }]);
assert.ok(d.some((x) => x.severity === 2 && x.range.start.line === 5), JSON.stringify(d));

// Stated application mode: the send warning's fix states keyboard mode instead.
got = diagnostics();
notify('textDocument/didChange', { textDocument: { uri, version: 4 }, contentChanges: [{ text: `# trelmix: application\n${application}` }] });
assert.deepEqual((await got).diagnostics[0].data.fixes, [{ range: { start: { line: 0, character: 0 }, end: { line: 0, character: 22 } }, newText: '# trelmix: keyboard' }]);
// Stated keyboard mode: the send warning goes, the note stays; SEND_ keywords are offered in an action block.
const keyboard = `# trelmix: keyboard\n${application}`;
got = diagnostics();
notify('textDocument/didChange', { textDocument: { uri, version: 5 }, contentChanges: [{ text: keyboard }] });
assert.deepEqual((await got).diagnostics.map((x) => x.code), ['ruleset-already-on']);

const hover = async (line, character) => (await request('textDocument/hover', at(line, character))).result?.contents.value;
assert.match(await hover(6, 3), /PAD_ZEROS\(count\)[\s\S]*BEGIN_ACTION[\s\S]*a number[\s\S]*language\.md#pad_zeros/);
assert.match(await hover(6, 10), /adds 4 zeros when the record has at least 4 bytes/);
assert.match(await hover(7, 12), /presses Enter/);
assert.match(await hover(7, 3), /SEND_EXTN[\s\S]*Keyboard scripts only\./);
assert.match(await hover(3, 14), /exactly 8 bytes/);
assert.equal(await hover(0, 5), undefined);
// Each block folds on its own ends, even where an action block opens inside criteria; CRLF ends one line.
const escapes = { textDocument: { uri: 'file:///escapes.trelmix' } };
notify('textDocument/didOpen', { textDocument: { ...escapes.textDocument, languageId: 'trelmix', version: 1,
  text: "BEGIN_RULE\r\nBEGIN_CRITERIA\r\nCODE_MATCH('AB', 0)\nBEGIN_ACTION\nEND_CRITERIA\nAPPEND('A&#x1D;')\nEND_ACTION\nSET_RULESET(0)\nEND_RULE\nBEGIN_RULE\nSET_RULESET(32)\nBEGIN_CRITERIA\nPROTOCOL_MATCH(2)\nEND_CRITERIA\nEND_RULE\nSEND_ASCII('hi')\n" } });
assert.deepEqual((await request('textDocument/foldingRange', escapes)).result.map((f) => [f.startLine, f.endLine]).sort((a, b) => a[0] - b[0]),
  [[0, 8], [1, 4], [3, 6], [9, 14], [11, 13]]);
// Closing a document clears its diagnostics.
got = diagnostics();
server.stdin.write(`\r\n${frame({ method: 'textDocument/didClose', params: escapes })}`);  // after a stray blank line
assert.deepEqual(await got, { uri: escapes.textDocument.uri, diagnostics: [] });
assert.equal((await request('textDocument/foldingRange', escapes)).result, null, 'a closed document is forgotten');

const labels = async (line, character) => (await request('textDocument/completion', at(line, character))).result.map((c) => c.label);
const inActionItems = (await request('textDocument/completion', at(6, 0))).result, inAction = inActionItems.map((c) => c.label);
assert.deepEqual(['PAD_ZEROS', 'SKIP_START'].map((l) => inActionItems.find((c) => c.label === l).insertText), ['PAD_ZEROS(${1:count})', 'SKIP_START']);
assert.ok(inAction.includes('SEND_ALL') && inAction.includes('PAD_SPACES') && !inAction.includes('CODE_LIST'), inAction);
assert.deepEqual(await labels(3, 1), ['CODE_LIST', 'CODE_LENGTH', 'CODE_MATCH', 'WILDCARD_MATCH', 'PROTOCOL_MATCH', 'END_CRITERIA']);
assert.ok((await labels(7, 11)).includes('TAB'));
const outside = (await request('textDocument/completion', at(16, 1))).result;  // both snippets, after a word
assert.deepEqual(outside.map((c) => [c.label, c.kind, c.insertTextFormat]), [['BEGIN_RULE', 14, 2], ['rule', 15, 2]]);
assert.deepEqual(await labels(17, 0), ['BEGIN_RULE', 'rule'], 'past the last line');
assert.deepEqual(await labels(6, 11), []);

const symbols = (await request('textDocument/documentSymbol', doc)).result;
assert.deepEqual(symbols.map((s) => [s.name, s.kind, s.range.start.line, s.range.end.line, s.range.end.character]),
  [['rule 1: CODE_LENGTH(8) · ruleset 3', 12, 1, 10, 10], ['rule 2: no criteria: every record, and the run goes on', 12, 11, 15, 10]]);
const folds = (await request('textDocument/foldingRange', doc)).result;
assert.deepEqual(folds.map((f) => [f.startLine, f.endLine]).sort((a, b) => a[0] - b[0]),
  [[1, 10], [2, 4], [5, 8], [11, 15], [12, 14]]);
assert.deepEqual((await request('textDocument/definition', at(13, 5))).result.map((l) => [l.uri, l.range.start.line]), [[uri, 1]]);

// Applying the edits gives the indentation of the language guide.
const edits = (await request('textDocument/formatting', { ...doc, options: { tabSize: 4, insertSpaces: true } })).result;
const lines = keyboard.split('\n');
assert.ok(!edits.some((e) => e.range.start.line === 12), 'a line already indented is left alone');
for (const e of edits.reverse()) {
  const l = lines[e.range.start.line];
  lines[e.range.start.line] = l.slice(0, e.range.start.character) + e.newText + l.slice(e.range.end.character);
}
assert.equal(lines.slice(1, 11).join('\n'),
  'BEGIN_RULE\n    BEGIN_CRITERIA\n        CODE_LENGTH(8)\n    END_CRITERIA\n    BEGIN_ACTION\n' +
  '        PAD_ZEROS(4)\n        SEND_EXTN(\'RET\')\n    END_ACTION\n    SET_RULESET(3)\nEND_RULE');

assert.equal((await request('textDocument/rename', at(0, 0))).error.code, -32601);
const junk = new Promise((resolve) => { waiting.set(null, resolve); server.stdin.write('Content-Length: 1\r\n\r\n{'); });
assert.equal((await junk).error.code, -32700, 'a body that is not JSON; the session goes on');
notify('textDocument/didOpen', { textDocument: {} }); // malformed: ignored, the session goes on
assert.equal((await request('textDocument/hover', { textDocument: {} })).error.code, -32602);
// An exit before shutdown is an error (status 1), as the protocol has it.
const abrupt = spawn(process.argv[2], ['lsp'], { stdio: ['pipe', 'ignore', 'inherit'] });
abrupt.stdin.write(frame({ method: 'exit', params: null }));
abrupt.on('exit', (code) => assert.equal(code, 1, 'exit without shutdown'));
await request('shutdown', null);
notify('exit', null);
server.on('exit', (code) => { assert.equal(code, 0); console.log('lsp session: ok'); });
