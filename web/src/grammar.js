// Colouring from the editor grammar itself (editors/vscode/syntaxes): a small
// TextMate interpreter for what that grammar uses (single-line `match` rules,
// `captures` with names or patterns, `include`), feeding CodeMirror's
// StreamLanguage one line at a time.
import { HighlightStyle, StreamLanguage, syntaxHighlighting } from '@codemirror/language';
import { tags } from '@lezer/highlight';
import grammar from '../../editors/vscode/syntaxes/trelmix.tmLanguage.json';

// A pattern list with its includes resolved, each regex compiled once.
function rules(patterns) {
  return patterns.flatMap((p) => {
    if (p.include) return rules(grammar.repository[p.include.slice(1)].patterns ?? [grammar.repository[p.include.slice(1)]]);
    p.regex ??= new RegExp(p.match, 'gd');
    return [p];
  });
}
const top = rules(grammar.patterns);

// Paints scopes[i] for every character of text[start, text.length): at each
// position the earliest match wins (the first rule on a tie), then its
// captures paint inside it; a capture's patterns see the captured text only.
function scan(text, start, list, scopes) {
  for (let pos = start; pos < text.length; ) {
    let best = null;
    for (const rule of list) {
      rule.regex.lastIndex = pos;
      const m = rule.regex.exec(text);
      if (m && (!best || m.index < best.m.index)) best = { rule, m };
    }
    if (!best) return;
    const { rule, m } = best;
    const paint = (from, to, name) => scopes.fill(name, from, to);
    if (rule.name) paint(m.index, m.index + m[0].length, rule.name);
    for (const [group, capture] of Object.entries(rule.captures ?? {})) {
      const at = m.indices[group];
      if (!at) continue;
      if (capture.name) paint(at[0], at[1], capture.name);
      if (capture.patterns) scan(text.slice(0, at[1]), at[0], rules(capture.patterns), scopes);
    }
    pos = Math.max(m.index + m[0].length, pos + 1);
  }
}

// The innermost scope of each character of a line.
export function lineScopes(line) {
  const scopes = new Array(line.length).fill(null);
  scan(line, 0, top, scopes);
  return scopes;
}

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
