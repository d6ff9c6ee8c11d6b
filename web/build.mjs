// Assembles the playground in OUT_DIR from the engine emscripten built:
//   trelmix.mjs      the engine module (src/engine.js around emscripten's output)
//   trelmix-cli.mjs  the node command
//   index.html       the page: CodeMirror, the grammar, the examples and the
//                    engine bundled into one file that works opened from disk
//
//   node web/build.mjs ENGINE_JS OUT_DIR
import fs from 'node:fs';
import path from 'node:path';
import * as esbuild from 'esbuild';

const [engineJs, outDir] = process.argv.slice(2);
const here = path.dirname(new URL(import.meta.url).pathname);
fs.mkdirSync(outDir, { recursive: true });

const engineSource = fs.readFileSync(path.join(here, 'src/engine.js'), 'utf8');
const emscripten = fs.readFileSync(engineJs, 'utf8');
const module = (await esbuild.transform(engineSource.replace('/* EMSCRIPTEN */', () => emscripten), {
  format: 'esm', minify: true, legalComments: 'none',
})).code;
fs.writeFileSync(path.join(outDir, 'trelmix.mjs'), module);
fs.copyFileSync(path.join(here, 'trelmix-cli.mjs'), path.join(outDir, 'trelmix-cli.mjs'));
