// A small TextMate interpreter for what the editor grammar uses (single-line
// `match` rules, `captures` with names or patterns, `include`): the
// playground colours with the grammar itself, and tests/editors holds this
// to vscode-textmate.

// scopesOf(grammar)(line): the innermost scope of each character, or null.
export function scopesOf(grammar) {
  // A pattern list with its includes resolved, each regex compiled once. The
  // grammar's regexes read the same in JavaScript but for \S, which takes
  // U+FEFF there as Oniguruma does (the grammar uses it outside brackets only).
  const rules = (patterns) => patterns.flatMap((p) => {
    if (!p.include) return [{ ...p, regex: new RegExp(p.match.replace(/\\S/g, '[\\S\\uFEFF]'), 'gd') }];
    const entry = grammar.repository[p.include.slice(1)];
    return rules(entry.patterns ?? [entry]);
  });
  const compiled = new Map();
  const rulesOf = (patterns) => compiled.get(patterns) ?? compiled.set(patterns, rules(patterns)).get(patterns);

  // At each position the earliest match wins (the first rule on a tie), then
  // its captures paint inside it; a capture's patterns see the captured text
  // only.
  function scan(text, start, list, scopes) {
    for (let pos = start; pos < text.length;) {
      let best = null;
      for (const rule of list) {
        rule.regex.lastIndex = pos;
        const m = rule.regex.exec(text);
        if (m && (!best || m.index < best.m.index)) best = { rule, m };
      }
      if (!best) return;
      const { rule, m } = best;
      if (rule.name) scopes.fill(rule.name, m.index, m.index + m[0].length);
      for (const [group, capture] of Object.entries(rule.captures ?? {})) {
        const at = m.indices[group];
        if (!at) continue;
        if (capture.name) scopes.fill(capture.name, at[0], at[1]);
        if (capture.patterns) scan(text.slice(0, at[1]), at[0], rulesOf(capture.patterns), scopes);
      }
      pos = Math.max(m.index + m[0].length, pos + 1);
    }
  }
  return (line) => {
    const scopes = new Array(line.length).fill(null);
    scan(line, 0, rulesOf(grammar.patterns), scopes);
    return scopes;
  };
}
