// The playground's own timing in headless Chromium: a 20-rule script compiled
// and run on 100 records, seven times (the page reports each run's
// milliseconds); prints the page's size, the best and the median.
//
//   node bench/web_page.mjs WEB_DIR    (make bench-web)
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const webDir = path.resolve(process.argv[2] ?? 'build/web');
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const { chromium } = await import(path.join(root, 'build/npm/node_modules/playwright-core/index.mjs'));
const pageFile = path.join(webDir, 'index.html');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'trelmix-bench-web-'));
const context = await chromium.launchPersistentContext(path.join(work, 'profile'), {
  executablePath: '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
});

let script = '';
for (let i = 0; i < 20; ++i) {
  script += `BEGIN_RULE\nBEGIN_CRITERIA\nCODE_LIST(${i})\nWILDCARD_MATCH('*${i}*')\nEND_CRITERIA\nBEGIN_ACTION\n` +
    `REPLACE_ALL('${i}', '<${i}>')\nPAD_ZEROS(12)\nAPPEND('&#x0D;')\nEND_ACTION\nEND_RULE\n`;
}
const records = Array.from({ length: 100 }, (_, i) => `--code-type ${i % 20}\nITEM-${i}-${i * 7919}`).join('\n');
const state = Buffer.from(JSON.stringify({ script, records, code_type: '', protocol: '' })).toString('base64url');
const page = await context.newPage();
await page.goto(`file://${pageFile}#s=${state}`);
await page.waitForSelector('#timing[data-runs]');
const times = [];
for (let i = 0; i < 7; ++i) {
  const runs = Number(await page.getAttribute('#timing', 'data-runs'));
  await page.fill('#protocol', String(i % 2));
  await page.waitForFunction((n) => Number(document.getElementById('timing').dataset.runs) > n, runs);
  times.push(Number(await page.getAttribute('#timing', 'data-ms')));
}
times.sort((a, b) => a - b);
console.log(`page ${fs.statSync(pageFile).size} bytes; 20 rules on 100 records: best ${times[0].toFixed(1)} ms, ` +
  `median ${times[3].toFixed(1)} ms`);
await context.close();
fs.rmSync(work, { recursive: true, force: true });
