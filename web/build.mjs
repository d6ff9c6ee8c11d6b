// Assembles the playground in OUT_DIR from the engine emscripten built:
//   trelmix.mjs      the engine module (src/engine.js around emscripten's output)
//   trelmix-cli.mjs  the node command, which starts the trelmix command built
//                    for node: trelmix-node.cjs and trelmix-node.wasm
//   index.html       the page: CodeMirror, the grammar, the examples and the
//                    engine bundled into one file that works opened from disk
//
//   node web/build.mjs ENGINE OUT_DIR COMMAND NODE_MODULES
//     ENGINE, COMMAND: emscripten's outputs (NAME.js and NAME.wasm) of the
//     page's engine and of the command; NODE_MODULES: where `npm ci` put
//     package-lock.json's packages
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import zlib from 'node:zlib';

const [engine, outDir, command, modules] = process.argv.slice(2);
const esbuild = await import(pathToFileURL(createRequire(path.join(modules, 'x.js')).resolve('esbuild')));
const here = path.dirname(new URL(import.meta.url).pathname);
fs.mkdirSync(outDir, { recursive: true });

const engineSource = fs.readFileSync(path.join(here, 'src/engine.js'), 'utf8');
// emscripten's output without its CommonJS and AMD export lines
const emscripten = fs.readFileSync(engine + '.js', 'utf8').split("\nif (typeof exports === 'object'")[0];
const wasm = zlib.gzipSync(fs.readFileSync(engine + '.wasm'), { level: 9 }).toString('base64');
const source = engineSource.replace('/* EMSCRIPTEN */', () => emscripten).replace('/* WASM */', wasm);
const module = (await esbuild.transform(source, {
  format: 'esm', minify: true, legalComments: 'none',
})).code;
fs.writeFileSync(path.join(outDir, 'trelmix.mjs'), module);
fs.copyFileSync(path.join(here, 'trelmix-cli.mjs'), path.join(outDir, 'trelmix-cli.mjs'));
fs.copyFileSync(command + '.js', path.join(outDir, 'trelmix-node.cjs'));
fs.copyFileSync(command + '.wasm', path.join(outDir, 'trelmix-node.wasm'));

// The page: page.js bundled with CodeMirror, the grammar, the examples and
// the engine, inlined with the style into index.html.
const examplesDir = path.join(here, '../examples');
const examples = {};
for (const file of fs.readdirSync(examplesDir).filter((f) => f.endsWith('.trelmix')).sort()) {
  const name = file.slice(0, -'.trelmix'.length);
  const scans = path.join(examplesDir, name + '.scans');
  examples[name] = {
    script: fs.readFileSync(path.join(examplesDir, file), 'utf8'),
    scans: fs.existsSync(scans) ? fs.readFileSync(scans, 'utf8') : '',
  };
}
const virtual = {
  name: 'trelmix',
  setup(build) {
    build.onResolve({ filter: /^trelmix:/ }, (args) => ({ path: args.path, namespace: 'trelmix' }));
    build.onLoad({ filter: /.*/, namespace: 'trelmix' }, (args) => args.path === 'trelmix:engine'
      ? { contents: module, loader: 'js' }
      : { contents: JSON.stringify(examples), loader: 'json' });
  },
};
const bundle = await esbuild.build({
  entryPoints: [path.join(here, 'src/page.js')], bundle: true, format: 'esm', minify: true, write: false,
  legalComments: 'none', target: 'chrome100', plugins: [virtual], logLevel: 'warning', external: ['node:*'],
  nodePaths: [modules],
});
const page = fs.readFileSync(path.join(here, 'src/index.html'), 'utf8')
  .replace('/* STYLE */', () => fs.readFileSync(path.join(here, 'src/page.css'), 'utf8'))
  .replace('/* SCRIPT */', () => bundle.outputFiles[0].text.replace(/<\/script/gi, '<\\/script'));
fs.writeFileSync(path.join(outDir, 'index.html'), page);
