// Learn mode: beside each record the author writes the result it must give
// (and, for a keyboard script, what it must type and press, one line each in
// the words of the results), presses Learn, and the script `trelmix learn`
// writes from them, the same code in WebAssembly, goes in the editor. What
// the learner says goes under the button: which record would tell apart
// scripts that explain the records equally well, or, when no script explains
// them all, the records the closest one (put in the editor) gets wrong.

// Bytes as a record is written between quotes: printable ASCII as is, the
// quote, the backslash and every other byte as \xHH.
function escaped(hex) {
  let text = '';
  for (let i = 0; i < hex.length; i += 2) {
    const byte = parseInt(hex.slice(i, i + 2), 16);
    text += byte >= 0x20 && byte < 0x7f && byte !== 0x22 && byte !== 0x5c ? String.fromCharCode(byte)
      : '\\x' + hex.slice(i, i + 2).toUpperCase();
  }
  return text;
}

// A run's words: its result as a record is written, and its typed and
// pressed lines.
function told(words) {
  const [first, ...rest] = words.split('\n');
  const result = first.match(/: "(.*)"$/)?.[1] ?? '';
  const lines = [];
  for (const line of rest) {
    if (/^ {2}why:/.test(line)) break;
    if (line.trim()) lines.push(line.trim());
  }
  return { result, lines: lines.join('\n') };
}

export class LearnMode {
  // engine: the page's; setScript(text) puts a script in the editor;
  // keyboard() whether the run is the keyboard's.
  constructor(engine, { setScript, keyboard }) {
    this.engine = engine;
    this.setScript = setScript;
    this.keyboard = keyboard;
    this.wanted = new Map(); // record position and bytes -> {result, lines}
    this.cases = [];
    this.button = document.getElementById('learn-mode');
    this.pane = document.getElementById('learn-pane');
    this.report = document.getElementById('learn-report');
    this.button.addEventListener('click', () => this.toggle());
    document.getElementById('learn').addEventListener('click', () => this.learn());
  }

  get on() {
    return this.button.getAttribute('aria-pressed') === 'true';
  }

  toggle() {
    this.button.setAttribute('aria-pressed', String(!this.on));
    this.pane.hidden = !this.on;
    document.body.classList.toggle('learning', this.on);
  }

  // Adds the wanted boxes to the results' items; `results` are {request,
  // words} in the items' order. A box keeps what the author wrote while its
  // record stays where it is; a new one starts from what the record gives now.
  decorate(items, results) {
    this.cases = results.map((r, i) => {
      const key = `${i}:${r.request.hex}:${r.request.code_type}:${r.request.protocol}`;
      if (!this.wanted.has(key)) this.wanted.set(key, told(r.words));
      return { key, request: r.request };
    });
    results.forEach((r, i) => {
      const wanted = this.wanted.get(this.cases[i].key);
      const box = document.createElement('div');
      box.className = 'wanted';
      const field = (tag, name, value, label) => {
        const input = document.createElement(tag);
        input.className = name;
        input.value = value;
        if (tag === 'textarea') input.rows = Math.max(2, value.split('\n').length);
        input.spellcheck = false;
        input.setAttribute('aria-label', `${label} of record ${i + 1}`);
        input.addEventListener('input', () => (wanted[name] = input.value));
        box.append(input);
      };
      box.addEventListener('click', (e) => e.stopPropagation()); // writing here is not choosing the record
      box.append('wanted ');
      field('input', 'result', wanted.result, 'Wanted result');
      if (this.keyboard()) field('textarea', 'lines', wanted.lines, 'Wanted keys');
      items[i].append(box);
    });
  }

  // The records and wanted results as the cases of a test file.
  casesText() {
    const lines = this.keyboard() ? ['--keyboard'] : [];
    for (const { key, request } of this.cases) {
      const wanted = this.wanted.get(key);
      const options = (request.code_type ? `--code-type ${request.code_type} ` : '') +
        (request.protocol ? `--protocol ${request.protocol} ` : '');
      lines.push(`${options}"${escaped(request.hex)}" -> status 1: "${wanted.result.replace(/"/g, '\\x22')}"`);
      if (this.keyboard()) lines.push(...wanted.lines.split('\n').filter((l) => l.trim()).map((l) => '  ' + l.trim()));
    }
    return lines.join('\n') + '\n';
  }

  learn() {
    const answer = JSON.parse(this.engine.call('trelmix_learn', this.casesText()));
    const say = (className, text) => {
      const p = document.createElement('p');
      p.className = className;
      p.textContent = text;
      return p;
    };
    if (answer.error) {
      this.report.replaceChildren(say('bad', answer.error.replace(/^cases:\d*:? ?/, '')));
      return;
    }
    this.setScript(answer.script);
    if (answer.ok) {
      this.report.replaceChildren(say('ok', 'Learned: the script in the editor gives every wanted result.'),
        ...answer.notes.map((n) => say('note', n)));
      return;
    }
    // A case's line in the cases text is its record's number among the
    // records (keyboard lines come after their case).
    const caseLines = this.casesText().split('\n').map((l, n) => (/^\S/.test(l) && l.includes('"') ? n + 1 : 0)).filter(Boolean);
    this.report.replaceChildren(
      say('bad', 'No script within the search gives every wanted result; the editor holds the closest one. It gets these records wrong:'),
      ...answer.failing.map((f) => say('failing', `record ${caseLines.indexOf(f.line) + 1} "${f.record}": wanted ${f.wanted}; got ${f.got}`)));
  }
}
