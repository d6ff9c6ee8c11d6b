// Holds the editor support (editors/vscode) to the language as the compiler
// reads it and to the output of `trelmix check`:
// - every keyword of the compiler's keyword table is a keyword of the
//   grammar, block keywords and keyboard-only ones in their own scopes, and
//   the grammar knows no other keyword;
// - in every example and conformance script, each line that begins with a
//   keyword is coloured as that keyword and every other line as a comment,
//   and the folding markers open and close exactly on block keywords;
// - the snippets, expanded with their defaults, make a script `check` takes
//   without a warning;
// - the problem matcher finds file, line, column, severity and message in
//   every diagnostic of the check conformance cases and of a live run;
// - the README's install line and task work;
// - the playground colours every character as vscode-textmate does.
//
// Usage: node check.mjs TRELMIX   (the built trelmix command)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const extension = path.join(root, 'editors/vscode');
const trelmix = process.argv[2];

const require = createRequire(path.join(extension, 'package.json'));
const textmate = require('vscode-textmate');
const oniguruma = require('vscode-oniguruma');

let failures = 0;
function expect(ok, what) {
  if (!ok) {
    console.log(`FAIL ${what}`);
    failures++;
  }
}
const readJson = (file) => JSON.parse(fs.readFileSync(path.join(extension, file), 'utf8'));
const linesOf = (text) => text.split(/\r\n|\r|\n/);

const { contributes } = readJson('package.json');
// The keyword table as the command prints it, in order, the keyboard-only rows last.
const rows = execFileSync(trelmix, ['keywords', '--format', 'jsonl'], { encoding: 'utf8' })
  .trim().split('\n').map((line) => JSON.parse(line));
const keywords = rows.map((r) => r.name);
const firstSendRow = rows.findIndex((r) => r.keyboard_only);
if (keywords.length < 30 || firstSendRow < 0) throw new Error('no keyword table from trelmix keywords');

// The keyword a line begins with, as the compiler finds it: after the leading
// blanks, the first table row the line starts with; case-sensitive, no word end.
const keywordOf = (line) => keywords.find((k) => line.replace(/^[ \t]*/, '').startsWith(k));

await oniguruma.loadWASM(fs.readFileSync(require.resolve('vscode-oniguruma/release/onig.wasm')).buffer);
const grammarPath = path.join(extension, contributes.grammars[0].path);
const registry = new textmate.Registry({
  onigLib: Promise.resolve({
    createOnigScanner: (sources) => new oniguruma.OnigScanner(sources),
    createOnigString: (text) => new oniguruma.OnigString(text),
  }),
  loadGrammar: async () => textmate.parseRawGrammar(fs.readFileSync(grammarPath, 'utf8'), grammarPath),
});
const grammar = await registry.loadGrammar(contributes.grammars[0].scopeName);
expect(grammar && contributes.languages[0].id === contributes.grammars[0].language, 'manifest: language and grammar');

// Tokens of one line: [{text, scope}] with the innermost scope.
function tokenize(line) {
  return grammar.tokenizeLine(line, textmate.INITIAL).tokens.map((t) => ({
    text: line.slice(t.startIndex, t.endIndex),
    scope: t.scopes[t.scopes.length - 1],
  }));
}

// The table against the grammar.
keywords.forEach((keyword, row) => {
  const scope = tokenize(`  ${keyword}('x')`).find((t) => t.text === keyword)?.scope ?? 'no token';
  const wanted = keyword.startsWith('BEGIN_') ? 'keyword.control.block.begin.'
    : keyword.startsWith('END_') ? 'keyword.control.block.end.'
    : row >= firstSendRow ? 'keyword.other.send.' : 'keyword.other.';
  expect(scope.startsWith(wanted) && (row >= firstSendRow) === scope.includes('.send.'),
    `keyword ${keyword}: scope ${scope}, expected ${wanted}*`);
});
const grammarWords = readJson(contributes.grammars[0].path).repository.statement.patterns
  .flatMap((p) => p.match.match(/\(([A-Z_|]+)\)/)[1].split('|'));
for (const word of grammarWords) expect(keywords.includes(word), `the grammar's ${word} is not a keyword`);

// Every script of the repository, line by line.
const filesUnder = (dir) => fs.readdirSync(path.join(root, dir), { withFileTypes: true })
  .flatMap((e) => (e.isDirectory() ? filesUnder(`${dir}/${e.name}`) : [`${dir}/${e.name}`]));
const scripts = [...filesUnder('examples'), ...filesUnder('tests/conformance')].filter((f) => f.endsWith('.trelmix'));
const { folding } = readJson(contributes.languages[0].configuration);
const foldStart = new RegExp(folding.markers.start);
const foldEnd = new RegExp(folding.markers.end);
for (const file of scripts) {
  linesOf(fs.readFileSync(path.join(root, file), 'utf8')).forEach((line, i) => {
    const where = `${file}:${i + 1}`;
    const keyword = keywordOf(line);
    const tokens = tokenize(line);
    if (keyword) {
      expect(tokens.some((t) => t.text === keyword && t.scope.startsWith('keyword.')), `${where}: ${keyword} not a keyword`);
    } else {
      expect(tokens.every((t) => !t.text.trim() || t.scope === 'comment.line.trelmix'), `${where}: not a comment`);
    }
    expect(foldStart.test(line) === !!keyword?.startsWith('BEGIN_'), `${where}: folding start marker`);
    expect(foldEnd.test(line) === !!keyword?.startsWith('END_'), `${where}: folding end marker`);
  });
}
expect(scripts.length >= 10, `only ${scripts.length} scripts found`);

// The playground's interpreter of the grammar (web/src/textmate.js) gives
// every character of those scripts and of the tricky lines here the scope
// vscode-textmate gives it.
const { scopesOf } = await import(path.join(root, 'web/src/textmate.js'));
const playgroundScopes = scopesOf(readJson(contributes.grammars[0].path));
for (const file of [...scripts, ...filesUnder('tests/editors').filter((f) => f.endsWith('.trelmix'))]) {
  linesOf(fs.readFileSync(path.join(root, file), 'utf8')).forEach((line, i) => {
    const reference = grammar.tokenizeLine(line, textmate.INITIAL).tokens
      .flatMap((t) => Array(t.endIndex - t.startIndex).fill(t.scopes.length > 1 ? t.scopes.at(-1) : null));
    const mine = playgroundScopes(line);
    expect(mine.every((scope, c) => scope === (reference[c] ?? null)), `${file}:${i + 1}: the playground's colouring`);
  });
}

// The problem matcher on the expected output of the check cases: a line that
// names the case's script and a line number is a diagnostic; its caret, two
// lines below, stands at the column.
const { pattern } = contributes.problemMatchers[0];
const matcher = new RegExp(pattern.regexp);
const located = (m) => m && { file: m[pattern.file], line: +m[pattern.line], column: +m[pattern.column],
                              severity: m[pattern.severity], message: m[pattern.message] };
const checkCases = path.join(root, 'tests/conformance/check');
let diagnostics = 0;
for (const name of fs.readdirSync(checkCases).filter((f) => f.endsWith('.expected'))) {
  const script = fs.existsSync(path.join(checkCases, name.replace('.expected', '.trelmix')))
    ? name.replace('.expected', '.trelmix') : '<inline>';
  const lines = linesOf(fs.readFileSync(path.join(checkCases, name), 'utf8'));
  lines.forEach((line, i) => {
    const found = located(matcher.exec(line));
    const isDiagnostic = line.startsWith(`${script}:`) && /^\d/.test(line.slice(script.length + 1));
    expect(!!found === isDiagnostic, `${name}:${i + 1}: matcher ${found ? 'takes' : 'misses'} ${JSON.stringify(line)}`);
    if (!found || !isDiagnostic) return;
    diagnostics++;
    expect(found.file === script && found.line > 0 && found.message.length > 0, `${name}:${i + 1}: fields`);
    expect(lines[i + 2]?.indexOf('^') === found.column + 1, `${name}:${i + 1}: column ${found.column}`);
  });
}
expect(diagnostics >= 10, `only ${diagnostics} diagnostics in the check cases`);

// The snippets expanded with their defaults, the criteria and action blocks
// in a rule of their own, then checked by path; with a misplaced END_RULE
// after them the matcher must point at it.
const expand = (body) => {
  let text = body.join('\n');
  for (let before = ''; before !== text;) [before, text] = [text, text.replace(/\$\{\d+:([^{}]*)\}/g, '$1')];
  return text.replace(/\$\d+/g, '');
};
const snippets = readJson(contributes.snippets[0].path);
const script = [expand(snippets.Rule.body), 'BEGIN_RULE', expand(snippets['Criteria block'].body),
  expand(snippets['Action block'].body), 'END_RULE'].join('\n');
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'trelmix-editors-'));
const file = path.join(dir, 'snippets.trelmix');
const check = (text) => {
  fs.writeFileSync(file, text);
  try {
    return execFileSync(trelmix, ['check', file], { encoding: 'utf8' });
  } catch (error) {
    return error.stdout ?? String(error);
  }
};
const snippetCheck = check(script);
expect(snippetCheck === `${file}: ok, 2 rules\n`, `snippets: ${snippetCheck}`);
const output = check(`${script}\n\t  END_RULE (one too many)\n`);
const found = located(matcher.exec(linesOf(output)[0]));
expect(found?.file === file && found.line === linesOf(script).length + 1 && found.column === 4 &&
       found.severity === 'error', `live check: ${JSON.stringify(output)}`);

// The README's two examples: the install line, run under a scratch home, and
// the task, which must name the manifest's problem matcher.
const readme = fs.readFileSync(path.join(root, 'README.md'), 'utf8').split('## Editor support')[1] ?? '';
const [install, task] = [...readme.matchAll(/```(?:json)?\n([^`]*)```/g)].map((m) => m[1]);
// npm ci from the cache run.sh filled: the bundle builds offline.
execFileSync('sh', ['-c', install], { cwd: root, env: { ...process.env, HOME: dir, npm_config_offline: 'true', npm_config_cache: path.join(os.homedir(), '.npm') }, stdio: 'ignore' });
expect(fs.existsSync(path.join(extension, readJson('package.json').main)), 'README: the bundle is built');
expect(fs.realpathSync(path.join(dir, '.vscode/extensions/trelmix')) === fs.realpathSync(extension), 'README: install');
expect(JSON.parse(task).tasks[0].problemMatcher === `$${contributes.problemMatchers[0].name}`, 'README: task');
fs.rmSync(dir, { recursive: true });

console.log(`${keywords.length} keywords, ${scripts.length} scripts, ${diagnostics} diagnostics: ` +
            (failures ? `${failures} failures` : 'ok'));
process.exit(failures ? 1 : 0);
