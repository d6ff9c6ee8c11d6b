// The playground page: a script editor, records, and what the engine (the
// library itself, in WebAssembly) makes of them, recomputed as the author
// types. The state lives in the URL fragment, so a link shares it.
import { defaultKeymap, history, historyKeymap, indentWithTab } from '@codemirror/commands';
import { forceLinting, lintGutter, linter } from '@codemirror/lint';
import { EditorState } from '@codemirror/state';
import { EditorView, highlightActiveLine, keymap, lineNumbers } from '@codemirror/view';
import examples from 'trelmix:examples';
import { createEngine } from 'trelmix:engine';
import { trelmixHighlighting, trelmixLanguage } from './grammar.js';

const $ = (id) => document.getElementById(id);
const engine = await createEngine();

// The settings of a run: the script and the records as files, as
// `trelmix run --scans records.scans script.trelmix` reads them; the records'
// option lines (--keyboard, --code-type N, ...) hold over the form's.
function settings() {
  engine.writeFile('script.trelmix', editor.state.doc.toString());
  engine.writeFile('records.scans', $('records').value);
  return { script: 'script.trelmix', scans: 'records.scans', keyboard: $('keyboard').checked,
    code_type: $('code-type').value || '0', protocol: $('protocol').value || '0' };
}

function check(view) {
  const doc = view.state.doc;
  const result = engine.check(settings());
  $('check').textContent = result.error ?? (result.ok ? `ok, ${result.rules} rules` : 'rejected: every record gets status -1');
  $('check').className = result.ok ? 'ok' : 'bad';
  $('check').dataset.findings = JSON.stringify(result.diagnostics);
  return result.diagnostics.map((d) => {
    const line = doc.line(Math.min(d.line, doc.lines));
    const from = Math.min(line.from + d.column - 1, line.to);
    const to = d.end_column ? Math.min(line.from + d.end_column - 1, line.to) : line.to;
    return { from, to: Math.max(to, from), severity: d.severity, message: d.message + (d.hint ? `\n${d.hint}` : '') };
  });
}

// Runs every record on a fresh assignment, as `trelmix run` does; the
// selected record with its trace, as `run --explain` tells it. The words are
// run's, for a person; the answers those of `run --jsonl`.
let selected = null;
function run() {
  const started = performance.now();
  const assigned = engine.open(settings());
  const results = assigned.error ? [] : engine.records().map((r, i) => {
    const answer = engine.request(i === selected ? { ...r, explain: true } : r);
    return { answer, words: answer.error ?? engine.words() };
  });
  const elapsed = performance.now() - started;
  show(assigned, results, elapsed);
  saveState();
}

function show(assigned, results, elapsed) {
  $('assign').textContent = assigned.error ?? `${assigned.assigned ? 'assigned' : 'not assigned'}${assigned.events.map((e) => ' · ' + e.trim()).join('')}`;
  $('assign').className = assigned.assigned ? 'ok' : 'bad';
  $('timing').textContent = `${results.length} records in ${elapsed.toFixed(1)} ms`;
  $('timing').dataset.ms = elapsed;
  $('timing').dataset.runs = Number($('timing').dataset.runs ?? 0) + 1;
  const list = $('results');
  list.replaceChildren();
  results.forEach((r, i) => {
    const item = element('li', (r.answer.status >= 0 ? 'record' : 'record bad') + (i === selected ? ' selected' : ''));
    const [words, why] = r.words.split(/(?=^  why:)/m);
    item.append(element('pre', 'words', words));
    if (why) item.append(traceElement(why));
    item.dataset.answer = JSON.stringify(r.answer);
    item.dataset.words = r.words;
    item.title = i === selected ? 'Click to hide the trace' : 'Click for the trace of this record';
    item.addEventListener('click', () => {
      selected = i === selected ? null : i;
      run();
    });
    list.append(item);
  });
}

// The trace, each of its lines that names a script line a link to it.
function traceElement(why) {
  const pre = element('pre', 'trace');
  for (const text of why.split(/(?<=\n)/)) {
    const at = text.match(/\bline (\d+)/);
    const line = element('span', at ? 'at' : '', text);
    line.addEventListener('click', (e) => at && (e.stopPropagation(), goToLine(Number(at[1]))));
    pre.append(line);
  }
  return pre;
}

function goToLine(number) {
  const line = editor.state.doc.line(Math.min(number, editor.state.doc.lines));
  editor.dispatch({ selection: { anchor: line.from, head: line.to }, scrollIntoView: true });
  editor.focus();
}

function element(tag, className, text) {
  const e = document.createElement(tag);
  e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

// The fragment: #s= and the state as base64url JSON.
function saveState() {
  const state = { script: editor.state.doc.toString(), records: $('records').value, keyboard: $('keyboard').checked,
    code_type: $('code-type').value, protocol: $('protocol').value };
  let binary = '';
  for (const byte of new TextEncoder().encode(JSON.stringify(state))) binary += String.fromCharCode(byte);
  const base64 = btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  window.history.replaceState(null, '', '#s=' + base64);
}

function loadState() {
  const match = location.hash.match(/^#s=([A-Za-z0-9_-]*)$/);
  if (!match) return null;
  try {
    const binary = atob(match[1].replace(/-/g, '+').replace(/_/g, '/'));
    return JSON.parse(new TextDecoder().decode(Uint8Array.from(binary, (c) => c.charCodeAt(0))));
  } catch {
    return null;
  }
}

function setState(state) {
  selected = null;
  editor.dispatch({ changes: { from: 0, to: editor.state.doc.length, insert: state.script } });
  $('records').value = state.records;
  $('keyboard').checked = !!state.keyboard;
  $('code-type').value = state.code_type ?? '';
  $('protocol').value = state.protocol ?? '';
  scheduleRun();
}

let timer;
function scheduleRun() {
  clearTimeout(timer);
  timer = setTimeout(run, 150);
}

const editor = new EditorView({
  parent: $('editor'),
  state: EditorState.create({
    extensions: [
      lineNumbers(), history(), highlightActiveLine(), trelmixLanguage, trelmixHighlighting,
      keymap.of([...defaultKeymap, ...historyKeymap, indentWithTab]),
      linter(check, { delay: 200 }), lintGutter(),
      EditorView.updateListener.of((u) => u.docChanged && scheduleRun()),
    ],
  }),
});

const menu = $('examples');
for (const name of Object.keys(examples)) menu.append(new Option(name, name));
menu.addEventListener('change', () => {
  const example = examples[menu.value];
  if (!example) return;
  setState({ script: example.script, records: example.scans, keyboard: /^--keyboard$/m.test(example.scans) });
  menu.value = '';
});
for (const id of ['records', 'keyboard', 'code-type', 'protocol']) {
  $(id).addEventListener('input', () => {
    forceLinting(editor);
    scheduleRun();
  });
}
$('share').addEventListener('click', () => {
  saveState();
  navigator.clipboard?.writeText(location.href).catch(() => {});
  $('share').textContent = 'Link copied';
});

setState(loadState() ?? { script: examples['gs1-128'].script, records: examples['gs1-128'].scans });
