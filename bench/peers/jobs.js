// The benchmark jobs as JavaScript functions on strings of bytes (latin1, one
// character per byte), with the code type and protocol; each returns the
// edited record. They must give exactly what the Trelmix scripts give
// (bench/jobs.cpp); peers.js checks that before timing them.
'use strict';

function gs1(s, code, protocol) {
  if (code !== 15) return s;
  const n = s.length;
  if (n > 26 && s.startsWith('01') && s.startsWith('17', 16) && s.startsWith('10', 24)) {
    const g = s.indexOf('\x1d', 26);
    if (g >= 0 && g + 3 < n && s.startsWith('21', g + 1)) {
      return '(01)' + s.slice(2, 16) + '(17)' + s.slice(18, 24) + '(10)' + s.slice(26, g) +
             '(21)' + s.slice(g + 3);
    }
    return '(01)' + s.slice(2, 16) + '(17)' + s.slice(18, 24) + '(10)' + s.slice(26);
  }
  return s.replaceAll('\x1d', ' | ');
}

function items(s, code, protocol) {
  const n = s.length;
  if ((code === 6 && n === 10) || (code === 2 && n === 11)) {
    return s.replace(/^0+/, '').padEnd(12, ' ');
  }
  return s;
}

function routing(s, code, protocol) {
  const n = s.length;
  if (code === 11 && n === 12) return 'UPC ' + s;
  if (code === 3 && n >= 4 && s.startsWith('978')) return 'ISBN ' + s;
  if (code === 20 && protocol === 3) return s.replaceAll(' ', '');
  if (n === 9 && s.startsWith('RMA')) return 'RETURN ' + s.slice(3);
  if (code === 8 && s.includes('LOC-')) return s.replaceAll('-', '/');
  if ((code === 1 || code === 2 || code === 4 || code === 5) && n === 7) return s + '0';
  if (code === 30 && n >= 3 && s.startsWith('SN')) return 'SN:' + s.slice(2);
  if (protocol === 9) return s + '\t';
  if (code === 8 && n === 40) return s.replace(/ +/g, ' ');
  if (code === 8) return s + '\r\n';
  return s;
}

module.exports = { gs1, items, routing };
