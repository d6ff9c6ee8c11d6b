// The playground in headless Chromium, opened from disk: the examples from
// the menu, a keyboard record's trace, a typed script with a bad line and a
// warning (and its problems list), the keyboard box, hover and completion,
// typed records with a bad line, shared links good and bad, Learn mode, the layout at
// three widths (screenshots in build/web-screenshots), axe-core, and the
// page's size (its timing: make bench-web). Every answer must
// equal `trelmix run --jsonl`'s, every result's words `trelmix run`'s, and the
// marks in the editor `trelmix check`'s, on the same script and records.
//
//   node browser.mjs TRELMIX WEB_DIR
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [trelmix, webDir] = process.argv.slice(2).map((a) => path.resolve(a));
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const { chromium } = await import(path.join(root, 'build/npm/node_modules/playwright-core/index.mjs'));
const pageFile = path.join(webDir, 'index.html');
const pageBytes = fs.statSync(pageFile).size;
assert.ok(pageBytes < 1_000_000, `the page with its WebAssembly is ${pageBytes} bytes`);

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'trelmix-web-'));
const context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
  executablePath: '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
});
const errors = [];
async function open(url) {
  const page = await context.newPage();
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(url);
  await page.waitForSelector('#timing[data-runs]');
  return page;
}

// Waits for the run that `action` starts; the results as {answer, words}.
async function after(page, action) {
  await page.waitForTimeout(300); // no run pending from before
  const runs = Number(await page.getAttribute('#timing', 'data-runs'));
  await action();
  await page.waitForFunction((n) => Number(document.getElementById('timing').dataset.runs) > n, runs);
  return page.$$eval('#results li[data-answer]', (items) => items.map((i) => ({ answer: JSON.parse(i.dataset.answer), words: i.dataset.words })));
}

// `trelmix run --scans` on the script and records, as the page runs them:
// {answers} (--jsonl) and {words} (each record's lines, as run tells them).
function native(script, scans, ...options) {
  fs.writeFileSync(path.join(work, 'script.trelmix'), script);
  fs.writeFileSync(path.join(work, 'records.scans'), scans);
  const run = (...more) => execFileSync(trelmix, ['run', ...more, ...options, '--scans', 'records.scans', 'script.trelmix'],
    { cwd: work, encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
  return { answers: run('--jsonl').trim().split('\n').slice(1).map((l) => JSON.parse(l)),
    words: run().split(/\n(?=\S)/).map((w) => w.trimEnd()) };
}
const answers = (results) => results.map((r) => r.answer);
const words = (results) => results.map((r) => r.words.trimEnd());

// The README's lines: the page they open is this one, and the node command
// answers as `trelmix` on the same arguments.
const readme = fs.readFileSync(path.join(root, 'README.md'), 'utf8').split('\n## Playground')[1].split('```sh\n')[1].split('\n```')[0];
const [, opened, nodeLine] = readme.split('\n');
assert.equal(path.resolve(root, opened.split(' ')[1]), pageFile);
assert.equal(execFileSync('sh', ['-c', nodeLine], { cwd: root, encoding: 'utf8' }),
  execFileSync(trelmix, nodeLine.split(' ').slice(2), { cwd: root, encoding: 'utf8' }));

const page = await open('file://' + pageFile);

// Every example from the menu; the keyboard one's keys and text, and the
// trace of a clicked record.
const examples = path.join(root, 'examples');
for (const name of fs.readdirSync(examples).filter((f) => f.endsWith('.trelmix')).map((f) => f.slice(0, -8))) {
  const results = await after(page, () => page.selectOption('#examples', name));
  assert.equal(await page.inputValue('#examples'), name, 'the menu shows what is loaded');
  const read = (ext) => fs.readFileSync(path.join(examples, name + ext), 'utf8');
  const expected = native(read('.trelmix'), read('.scans'));
  assert.deepEqual(answers(results), expected.answers, name);
  assert.deepEqual(words(results), expected.words, name);
  if (name !== 'goods-in-form') continue;
  const traced = await after(page, () => page.click('#results li:nth-child(2)'));
  const explained = native(read('.trelmix'), read('.scans'), '--explain');
  assert.deepEqual(traced[1].answer, explained.answers[1]);
  assert.equal(traced[1].words.trimEnd(), explained.words[1]);
  assert.match(await page.textContent('#results li.selected pre.trace'), /rule at line 27: applied\n.*SEND_ALT\('S'\).*\n\s+pressed Alt\+S/);
  await page.click('#results li.selected .at:has-text("line 31")'); // to its line in the script
  assert.equal(await page.textContent('.cm-activeLine'), "    SEND_ALT('S')");
}

// A typed script: warnings on lines 2 and 4, an error on line 5, marked as
// `trelmix check` finds them; then fixed.
const bad = "BEGIN_RULE\nbegin_criteria\nBEGIN_ACTION\nAPPEND('\\r')\nCODE_LENGTH(3)\nEND_ACTION\nEND_RULE\n";
await page.click('.cm-content');
await page.keyboard.press('Control+A');
await page.keyboard.insertText(bad);
await page.waitForSelector('.cm-lintRange-error');
await page.waitForTimeout(500); // the linter's last pass
const linesOf = (kind) => page.$$eval('.cm-line', (lines, k) => lines.map((l, i) => l.querySelector(k) && i + 1).filter(Boolean), kind);
fs.writeFileSync(path.join(work, 'script.trelmix'), bad);
const check = spawnSync(trelmix, ['check', '--format', 'jsonl', 'script.trelmix'], { cwd: work, encoding: 'utf8' });
const findings = check.stdout.trim().split('\n').map((l) => JSON.parse(l)).slice(0, -1);
assert.deepEqual(JSON.parse(await page.getAttribute('#check', 'data-findings')), findings);
assert.deepEqual([await linesOf('.cm-lintRange-warning'), await linesOf('.cm-lintRange-error')], [[2, 4], [5]]);
assert.match(await page.textContent('#check'), /rejected/);
// The problems list: each with its line, the count in the header, a click to its line.
assert.deepEqual(await page.$$eval('#problems li:not(.none)', (items) => items.map((i) => i.className)), findings.map((f) => f.severity));
assert.match(await page.textContent('#problem-count'), new RegExp(`^${findings.length} problems \\(1 error\\)`));
await page.click('#problems li.error button');
assert.equal(await page.textContent('.cm-activeLine'), 'CODE_LENGTH(3)');

// Hover and completion in the editor, as `trelmix lsp` answers.
const application = "BEGIN_RULE\nBEGIN_ACTION\nPAD_ZEROS(4)\nSEND_ALL\nEND_ACTION\nEND_RULE\n";
await page.keyboard.press('Control+A');
await page.keyboard.insertText(application);
await page.waitForTimeout(500); // the linter's pass resizes the problems list
await page.hover('.cm-line:nth-child(3) >> text=4');
assert.match(await (await page.waitForSelector('.cm-tooltip-hover')).textContent(), /adds 4 zeros when the record has at least 4 bytes/);
await page.hover('.cm-line:nth-child(3) >> text=PAD_ZEROS');
await page.waitForFunction(() => /PAD_ZEROS\(count\)/.test(document.querySelector('.cm-tooltip-hover')?.textContent));
// Line 3 holds a note too: its hover covers line 4 until the mouse leaves.
await page.mouse.move(0, 0);
await page.waitForSelector('.cm-tooltip-hover', { state: 'detached' });
await page.click('.cm-line:nth-child(4)');
await page.keyboard.press('End');
await page.keyboard.press('Enter');
await page.keyboard.type('PAD');
const offered = await (await page.waitForSelector('.cm-tooltip-autocomplete')).textContent();
assert.ok(offered.includes('PAD_SPACES') && !offered.includes('SEND_'), offered);
await page.keyboard.press('Escape');
await page.keyboard.press('Control+Z');

// The keyboard box checks the script again: the send line's warning goes.
const sendWarning = async () => JSON.parse(await page.getAttribute('#check', 'data-findings')).some((f) => f.line === 4);
await page.waitForFunction(() => JSON.parse(document.getElementById('check').dataset.findings).some((f) => f.line === 4));
await page.check('#keyboard');
await page.waitForFunction(() => !JSON.parse(document.getElementById('check').dataset.findings).some((f) => f.line === 4));
await page.uncheck('#keyboard');
await page.waitForFunction(() => JSON.parse(document.getElementById('check').dataset.findings).some((f) => f.line === 4));
assert.ok(await sendWarning());

const script = "BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(3)\nEND_CRITERIA\nBEGIN_ACTION\nAPPEND('&#x0D;')\nEND_ACTION\nEND_RULE\n";
await page.click('.cm-content');
await page.keyboard.press('Control+A');
await page.keyboard.insertText(script);
const records = '12\n--code-type 4\n123\n\\x41\\\\\n';
await after(page, () => page.fill('#records', records));
const typedResults = await after(page, () => page.fill('#code-type', '3'));
assert.deepEqual(answers(typedResults), native(script, records, '--code-type', '3').answers);

// A record line that cannot be read is named and left out; the others run.
const withBad = await after(page, () => page.fill('#records', '12\nC\\xZZ\n123\n'));
assert.deepEqual(answers(withBad), native(script, '12\n123\n', '--code-type', '3').answers);
assert.match(await page.textContent('#record-problems'), /^line 2: bad escape/);
assert.match(await page.textContent('#results li.unread'), /records line 2 not run/);
// A --keyboard line in the records ticks the box.
await after(page, () => page.fill('#records', '--keyboard\n12\n'));
assert.ok(await page.isChecked('#keyboard'));
await page.uncheck('#keyboard');
await after(page, () => page.fill('#records', records));

// Keyboard only: from the records to the first result, Enter shows its trace.
await page.focus('#records');
await page.keyboard.press('Tab');
await page.keyboard.press('Enter');
await page.waitForSelector('#results li.selected pre.trace');
assert.equal(await page.evaluate(() => document.activeElement.closest('li')?.classList.contains('selected')), true);
await after(page, () => page.keyboard.press('Enter'));

// The link holds the state: a second page opened from it shows the same.
const shared = await open(page.url());
assert.equal(await shared.$eval('.cm-content', (e) => e.innerText.trim()), script.trim());
assert.deepEqual(answers(await after(shared, () => shared.fill('#protocol', '0'))), answers(typedResults));

// A link that cannot be read says so, and the menu shows the example loaded instead.
const broken = await open(`file://${pageFile}#s=eyJzY3JpcHQiOiJCRUdJTl9SV`);
assert.match(await broken.textContent('#notice'), /cannot be read/);
assert.equal(await broken.inputValue('#examples'), 'gs1-128');

// Learn mode: the wanted result beside each record; Learn puts in the
// editor a script whose results are the wanted ones.
await after(page, () => page.fill('#records', 'A12\nB7\nA3\n'));
await after(page, () => page.click('#learn-mode'));
const wanted = ['A12;', 'B7', 'A3;'];
for (const [i, w] of wanted.entries()) await page.fill(`#results li:nth-child(${i + 1}) input.result`, w);
const learned = await after(page, () => page.click('#learn'));
assert.match(await page.$eval('.cm-content', (e) => e.innerText), /^# Learned from three records/);
assert.deepEqual(learned.map((r) => r.answer.hex), wanted.map((w) => Buffer.from(w).toString('hex').toUpperCase()));
assert.match(await page.textContent('#learn-report'), /^Learned/);

// Layout: 1280, 800 and 390 pixels wide (screenshots kept for review), and
// 360: no horizontal scroll, the trace readable in its panel.
const shots = path.join(root, 'build/web-screenshots');
fs.mkdirSync(shots, { recursive: true });
const goods = fs.readFileSync(path.join(examples, 'goods-in-form.scans'), 'utf8');
const goodsState = Buffer.from(JSON.stringify({ script: fs.readFileSync(path.join(examples, 'goods-in-form.trelmix'), 'utf8'),
  records: goods, keyboard: true })).toString('base64url');
const layout = await open(`file://${pageFile}#s=${goodsState}`);
await after(layout, () => layout.click('#results li:nth-child(2)'));
for (const width of [1280, 800, 390, 360]) {
  await layout.setViewportSize({ width, height: width > 800 ? 800 : 900 });
  await layout.waitForTimeout(100);
  const overflow = await layout.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
  assert.ok(overflow <= 0, `${width} px: ${overflow} px of horizontal scroll`);
  if (width !== 360) await layout.screenshot({ path: path.join(shots, `playground-${width}.png`), fullPage: true });
}

// axe-core on the page: no serious or critical violation.
await layout.setViewportSize({ width: 1280, height: 800 });
await layout.addScriptTag({ path: path.join(root, 'build/npm/node_modules/axe-core/axe.min.js') });
const axe = await layout.evaluate(async () => (await globalThis.axe.run(document)).violations.map((v) => ({ id: v.id, impact: v.impact, nodes: v.nodes.map((n) => n.target.join(' ')) })));
const grave = axe.filter((v) => v.impact === 'serious' || v.impact === 'critical');
console.log(`axe-core: ${axe.length} violations (${axe.map((v) => `${v.id} ${v.impact}`).join(', ') || 'none'}); screenshots in ${shots}`);
assert.deepEqual(grave, []);

assert.deepEqual(errors, []);
await context.close();
fs.rmSync(work, { recursive: true, force: true });
console.log('ok');
