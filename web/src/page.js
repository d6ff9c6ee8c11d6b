// The playground page: a script editor, records, and what the engine (the
// library itself, in WebAssembly) makes of them, recomputed as the author
// types. The state lives in the URL fragment, so a link shares it.
import { autocompletion, snippet } from '@codemirror/autocomplete';
import { defaultKeymap, history, historyKeymap, indentWithTab } from '@codemirror/commands';
import { lintGutter, linter } from '@codemirror/lint';
import { EditorState, StateEffect } from '@codemirror/state';
import { EditorView, highlightActiveLine, hoverTooltip, keymap, lineNumbers } from '@codemirror/view';
import examples from 'trelmix:examples';
import { createEngine } from 'trelmix:engine';
import { trelmixHighlighting, trelmixLanguage } from './grammar.js';
import { LearnMode } from './learn.js';

const $ = (id) => document.getElementById(id);
const engine = await createEngine();

// The settings of a run: the script and the records as files, as
// `trelmix run --scans records.scans script.trelmix` reads them; the records'
// option lines (--keyboard, --code-type N, ...) hold over the form's.
function settings() {
  engine.writeFile('script.trelmix', editor.state.doc.toString());
  engine.writeFile('records.scans', readableRecords($('records').value));
  return { script: 'script.trelmix', scans: 'records.scans', keyboard: $('keyboard').checked,
    code_type: $('code-type').value || '0', protocol: $('protocol').value || '0' };
}

function check(view) {
  const doc = view.state.doc;
  const result = engine.check(settings());
  $('check').textContent = result.error ?? (result.ok ? `ok, ${result.rules} rules` : 'rejected: every record gets status -1');
  $('check').className = result.ok ? 'ok' : 'bad';
  $('check').dataset.findings = JSON.stringify(result.diagnostics);
  showProblems(result.diagnostics);
  return result.diagnostics.map((d) => {
    const line = doc.line(Math.min(d.line, doc.lines));
    const from = Math.min(line.from + d.column - 1, line.to);
    const to = d.end_column ? Math.min(line.from + d.end_column - 1, line.to) : line.to;
    return { from, to: Math.max(to, from), severity: d.severity === 'note' ? 'info' : d.severity,
      message: d.message + (d.hint ? `\n${d.hint}` : '') };
  });
}

// Every diagnostic under the editor, in line order, each a button to its
// line; their count in the header.
function showProblems(diagnostics) {
  const list = $('problems');
  list.replaceChildren(...(diagnostics.length ? [] : [element('li', 'none', 'None: no error, warning or note.')]), ...diagnostics.map((d) => {
    const button = element('button', '');
    button.type = 'button';
    button.append(element('span', `severity ${d.severity}`, d.severity), `line ${d.line}: ${d.message}${d.hint ? `; ${d.hint}` : ''}`);
    button.addEventListener('click', () => goToLine(d.line, d.column));
    const item = element('li', d.severity);
    item.append(button);
    return item;
  }));
  const count = $('problem-count');
  const errors = diagnostics.filter((d) => d.severity === 'error').length;
  count.textContent = diagnostics.length === 0 ? 'no problems'
    : `${diagnostics.length} problem${diagnostics.length === 1 ? '' : 's'}` + (errors ? ` (${errors} error${errors === 1 ? '' : 's'})` : '');
  count.className = errors ? 'bad' : '';
  count.dataset.count = diagnostics.length;
}

// The records as the engine reads them: a line it cannot read (a bad escape,
// an unknown option) becomes a comment, so that the others still run; each
// such line is listed with why, and marked in the results.
let unreadable = new Map(); // line number -> reason
let readable = { text: null, records: '' }; // the last records read, and what they became
function readableRecords(text) {
  if (readable.text === text) return readable.records;
  unreadable = new Map();
  const lines = text.split('\n');
  for (let tries = 0; tries <= lines.length; ++tries) {
    engine.writeFile('records.scans', lines.join('\n'));
    const opened = engine.open({ script: 'script.trelmix', scans: 'records.scans' });
    const bad = opened.error?.match(/(?:^|: )records\.scans:(\d+): (.*)/m); // after the command's name, if any
    if (!bad) break;
    unreadable.set(Number(bad[1]), bad[2]);
    lines[Number(bad[1]) - 1] = '# ' + lines[Number(bad[1]) - 1];
  }
  const list = $('record-problems');
  list.replaceChildren(...[...unreadable].map(([line, why]) => {
    const button = element('button', 'bad', `line ${line}: ${why}; it is left out, the other records run`);
    button.type = 'button';
    button.addEventListener('click', () => selectRecordLine(line));
    const item = element('li', '');
    item.append(button);
    return item;
  }));
  readable = { text, records: lines.join('\n') };
  return readable.records;
}

function selectRecordLine(number) {
  const area = $('records');
  const lines = area.value.split('\n');
  const from = lines.slice(0, number - 1).reduce((n, l) => n + l.length + 1, 0);
  area.focus();
  area.setSelectionRange(from, from + (lines[number - 1] ?? '').length);
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
    return { answer, words: answer.error ?? engine.words(), request: r };
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
    // The record's words are the control that shows or hides its trace.
    const toggle = element('pre', 'words', words);
    toggle.tabIndex = 0;
    toggle.setAttribute('role', 'button');
    toggle.setAttribute('aria-expanded', String(i === selected));
    item.append(toggle);
    if (why) item.append(traceElement(why));
    item.dataset.answer = JSON.stringify(r.answer);
    item.dataset.words = r.words;
    const choose = () => {
      selected = i === selected ? null : i;
      focusAfterRun = i;
      run();
    };
    item.addEventListener('click', choose);
    toggle.addEventListener('keydown', (e) => (e.key === 'Enter' || e.key === ' ') && (e.preventDefault(), choose()));
    list.append(item);
  });
  if (learn.on) learn.decorate([...list.children], results);
  for (const [line, why] of unreadable) {
    const item = element('li', 'unread', `records line ${line} not run: ${why}`);
    list.append(item);
  }
  if (focusAfterRun !== null) list.children[focusAfterRun]?.querySelector('.words')?.focus();
  focusAfterRun = null;
}
let focusAfterRun = null;

// The trace, each of its lines that names a script line a link to it.
function traceElement(why) {
  const pre = element('pre', 'trace');
  for (const text of why.split(/(?<=\n)/)) {
    const at = text.match(/\bline (\d+)/);
    if (!at) {
      pre.append(text);
      continue;
    }
    const line = element('button', 'at', text.replace(/\n$/, ''));
    line.type = 'button';
    line.addEventListener('click', (e) => (e.stopPropagation(), goToLine(Number(at[1]))));
    line.addEventListener('keydown', (e) => e.stopPropagation());
    pre.append(line, text.endsWith('\n') ? '\n' : '');
  }
  return pre;
}

function goToLine(number, column) {
  const line = editor.state.doc.line(Math.min(number, editor.state.doc.lines));
  const at = column ? Math.min(line.from + column - 1, line.to) : line.from;
  editor.dispatch({ selection: column ? { anchor: at } : { anchor: line.from, head: line.to }, scrollIntoView: true });
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

// The state of a link, null without one, or {unreadable} for a fragment
// that holds none (cut short, or edited).
function loadState() {
  if (!location.hash.startsWith('#s=')) return null;
  try {
    const binary = atob(location.hash.slice(3).replace(/-/g, '+').replace(/_/g, '/'));
    const state = JSON.parse(new TextDecoder('utf-8', { fatal: true }).decode(Uint8Array.from(binary, (c) => c.charCodeAt(0))));
    if (typeof state?.script === 'string' && typeof state.records === 'string') return state;
  } catch {
    // unreadable, as below
  }
  return { unreadable: true };
}

function setState(state) {
  selected = null;
  loading = true;
  editor.dispatch({ changes: { from: 0, to: editor.state.doc.length, insert: state.script } });
  $('records').value = state.records;
  $('keyboard').checked = !!state.keyboard;
  $('code-type').value = state.code_type ?? '';
  $('protocol').value = state.protocol ?? '';
  loading = false;
  $('examples').value = Object.keys(examples).find((name) => examples[name].script === state.script &&
    examples[name].scans === state.records) ?? '';
  recheck();
  scheduleRun();
}
let loading = false;

// A change outside the editor (the keyboard box) checks the script again.
const recheckEffect = StateEffect.define();
function recheck() {
  editor.dispatch({ effects: recheckEffect.of(null) });
}

// Hover and completion: the answers of `trelmix lsp`, from the same code.
function ask(method, state, pos) {
  const line = state.doc.lineAt(pos);
  return engine.language({ method, text: state.doc.toString(), keyboard: $('keyboard').checked,
    line: line.number - 1, character: pos - line.from });
}

function markdown(text) {
  const box = element('div', 'cm-trelmix-doc');
  for (const paragraph of text.split('\n\n')) {
    const p = element('p', '');
    p.style.margin = '0.2em 0';
    for (const part of paragraph.replace(/\[([^\]]*)\]\([^)]*\)/g, '$1').split(/(`[^`]*`)/)) {
      if (part.startsWith('`')) p.append(element('code', '', part.slice(1, -1)));
      else p.append(part.replace(/\*\*/g, ''));
    }
    box.append(p);
  }
  return box;
}

const hover = hoverTooltip((view, pos) => {
  const answer = ask('hover', view.state, pos);
  if (!answer?.contents) return null;
  const line = view.state.doc.lineAt(pos);
  return { pos: line.from + answer.range.start.character, end: line.from + answer.range.end.character, above: true,
    create: () => ({ dom: markdown(answer.contents.value) }) };
});

function complete(context) {
  const word = context.matchBefore(/[A-Za-z_]*/);
  const items = ask('completion', context.state, context.pos);
  if (!Array.isArray(items) || items.length === 0 || (word.from === word.to && !context.explicit &&
      !/SEND_EXTN\('$/.test(context.state.sliceDoc(context.state.doc.lineAt(context.pos).from, context.pos)))) return null;
  return {
    from: word.from,
    options: items.map((c) => ({
      label: c.label, detail: c.detail, type: c.kind === 15 ? 'text' : c.kind === 14 ? 'keyword' : 'constant',
      info: c.documentation ? () => markdown(c.documentation.value) : undefined,
      apply: c.insertText ? snippet(c.insertText.replace(/\$0/g, '${}')) : c.label,
    })),
    validFor: /^[A-Za-z_]*$/,
  };
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
      linter(check, { delay: 200, needsRefresh: (u) => u.transactions.some((t) => t.effects.some((e) => e.is(recheckEffect))) }),
      lintGutter(), hover, autocompletion({ override: [complete] }),
      EditorView.contentAttributes.of({ 'aria-label': 'Script' }),
      EditorView.updateListener.of((u) => {
        if (!u.docChanged) return;
        if (!loading) $('examples').value = '';
        // "# trelmix: keyboard" in the opening comment lines states the script's mode, as for `check` and `run`.
        if (/^(?:[ \t]*#.*\n)*?[ \t]*#[ \t]*trelmix:[ \t]*keyboard/.test(u.state.doc.toString())) $('keyboard').checked = true;
        scheduleRun();
      }),
    ],
  }),
});

const learn = new LearnMode(engine, { keyboard: () => $('keyboard').checked,
  setScript: (text) => editor.dispatch({ changes: { from: 0, to: editor.state.doc.length, insert: text } }) });
$('learn-mode').addEventListener('click', run);

// The editor's scroller is reachable from the keyboard too (a long script
// scrolls without the caret).
editor.scrollDOM.tabIndex = 0;
editor.scrollDOM.setAttribute('aria-label', 'Script, scrolled');

const menu = $('examples');
for (const name of Object.keys(examples)) menu.append(new Option(name, name));
menu.addEventListener('change', () => {
  const example = examples[menu.value];
  if (!example) return;
  setState({ script: example.script, records: example.scans, keyboard: /^--keyboard$/m.test(example.scans) });
});
for (const id of ['records', 'keyboard', 'code-type', 'protocol']) {
  $(id).addEventListener('input', () => {
    // A --keyboard line in the records makes the run the keyboard's: the box says so.
    if (id === 'records' && /^\s*--keyboard\s*$/m.test($('records').value)) $('keyboard').checked = true;
    if (id === 'records') $('examples').value = '';
    recheck();
    scheduleRun();
  });
}
$('problem-count').addEventListener('click', () => $('problems').querySelector('button')?.focus());
$('share').addEventListener('click', () => {
  saveState();
  navigator.clipboard?.writeText(location.href).catch(() => {});
  $('share').textContent = 'Link copied';
});

const shared = loadState();
const first = { script: examples['gs1-128'].script, records: examples['gs1-128'].scans };
if (shared?.unreadable) {
  $('notice').textContent = 'This share link cannot be read (it may have been cut short): the example gs1-128 is shown instead.';
  $('notice').hidden = false;
}
setState(shared && !shared.unreadable ? shared : first);
