// Starts `trelmix lsp` for .trelmix files: diagnostics as you type, hover,
// completion, outline, folding, go to a ruleset's rules, formatting, quick
// fixes. The command is `trelmix` on PATH unless trelmix.path names another.
const vscode = require('vscode');
const { LanguageClient } = require('vscode-languageclient/node');

let client;

function activate(context) {
  const command = vscode.workspace.getConfiguration('trelmix').get('path') || 'trelmix';
  client = new LanguageClient('trelmix', 'Trelmix', { command, args: ['lsp'] },
    { documentSelector: [{ language: 'trelmix' }] });
  context.subscriptions.push({ dispose: () => client && client.stop() });
  return client.start();
}

function deactivate() {
  return client ? client.stop() : undefined;
}

module.exports = { activate, deactivate };
