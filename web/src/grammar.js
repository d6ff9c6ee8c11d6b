// Colouring from the editor grammar itself (editors/vscode/syntaxes),
// through textmate.js, feeding CodeMirror's StreamLanguage a line at a time.
import { HighlightStyle, StreamLanguage, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';
import grammar from '../../editors/vscode/syntaxes/trelmix.tmLanguage.json';
import { scopesOf } from './textmate.js';

const lineScopes = scopesOf(grammar);

// Scope prefixes to the token names of the style below, first match wins.
const styles = [
  ['keyword.control.block', 'blockKeyword'], ['keyword.other.send', 'sendKeyword'], ['keyword', 'keyword'],
  ['comment.line.ignored', 'ignored'], ['comment', 'comment'], ['constant.character.escape', 'escape'],
  ['punctuation.definition.string', 'string'], ['string', 'string'], ['constant.numeric', 'number'],
  ['invalid', 'invalid'], ['punctuation', 'punctuation'],
];
const styleOf = (scope) => scope && styles.find(([prefix]) => scope.startsWith(prefix))?.[1];

const sendKeyword = tags.special(tags.keyword);
const ignored = tags.special(tags.comment);
export const trelmixLanguage = StreamLanguage.define({
  name: 'trelmix',
  startState: () => ({ line: null, styles: [] }),
  token(stream, state) {
    if (state.line !== stream.string) {
      state.line = stream.string;
      state.styles = lineScopes(stream.string).map(styleOf);
    }
    const style = state.styles[stream.pos];
    do stream.next(); while (!stream.eol() && state.styles[stream.pos] === style);
    return style ?? null;
  },
  copyState: (state) => ({ ...state }),
  tokenTable: {
    blockKeyword: tags.controlKeyword, sendKeyword, keyword: tags.keyword, ignored, comment: tags.lineComment,
    escape: tags.escape, string: tags.string, number: tags.number, invalid: tags.invalid, punctuation: tags.punctuation,
  },
});

export const trelmixHighlighting = syntaxHighlighting(HighlightStyle.define([
  { tag: tags.controlKeyword, color: '#7a3e9d', fontWeight: 'bold' },
  { tag: tags.keyword, color: '#1f5fa8', fontWeight: 'bold' },
  { tag: sendKeyword, color: '#a8541f', fontWeight: 'bold' },
  { tag: tags.lineComment, color: '#6a737d', fontStyle: 'italic' },
  { tag: ignored, color: '#9aa0a6', fontStyle: 'italic' },
  { tag: tags.string, color: '#22863a' },
  { tag: tags.escape, color: '#b31d28', fontWeight: 'bold' },
  { tag: tags.number, color: '#005cc5' },
  { tag: tags.invalid, color: '#b31d28', textDecoration: 'underline wavy' },
]));
