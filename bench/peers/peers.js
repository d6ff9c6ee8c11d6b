// Times the JavaScript peers (jobs.js) inside node with a warm JIT.
//   node peers.js JOBS.json
// JOBS.json (written by trelmix_bench) holds each job's records and the
// output Trelmix gave for each. Every output is checked first; a mismatch
// exits 1. Then two lines per job: "node JOB NS_PER_RECORD" for the function
// on strings, "node_bytes JOB NS_PER_RECORD" with the record taken from bytes
// and the result written back as bytes.
'use strict';
const fs = require('fs');
const path = require('path');
const jobs = require(path.join(__dirname, 'jobs.js'));

const bytes = (a) => String.fromCharCode(...a);
const input = JSON.parse(fs.readFileSync(process.argv[2], 'utf8'));

let sink = 0;
function pass(fn, records) {
  for (let i = 0; i < records.length; ++i) {
    const r = records[i];
    sink += fn(r.s, r.code, r.protocol).length;
  }
}

// As a host would use it: the record arrives as bytes and the edited record
// goes back as bytes, written into the host's buffer.
const hostBuffer = Buffer.alloc(4096);
function passBytes(fn, records) {
  for (let i = 0; i < records.length; ++i) {
    const r = records[i];
    const out = fn(r.bytes.toString('latin1'), r.code, r.protocol);
    sink += hostBuffer.write(out, 0, 'latin1');
  }
}

// Repeats passes over the records for about `ms` milliseconds; ns per record.
function timeFor(fn, records, ms, pass) {
  let passes = 0;
  const start = process.hrtime.bigint();
  const limit = start + BigInt(ms) * 1000000n;
  let now = start;
  do {
    for (let k = 0; k < 16; ++k) pass(fn, records);
    passes += 16;
    now = process.hrtime.bigint();
  } while (now < limit);
  return Number(now - start) / (passes * records.length);
}

let failed = false;
for (const job of input.jobs) {
  const fn = jobs[job.name];
  const records = job.records.map(([code, protocol, data, expected]) =>
    ({ code, protocol, s: bytes(data), bytes: Buffer.from(data), expected: bytes(expected) }));
  for (const r of records) {
    const got = fn(r.s, r.code, r.protocol);
    if (got !== r.expected) {
      console.log(`mismatch ${job.name}: ${JSON.stringify(r.s)} gave ${JSON.stringify(got)}, ` +
                  `Trelmix ${JSON.stringify(r.expected)}`);
      failed = true;
      break;
    }
  }
  if (failed) continue;
  for (const [tag, how] of [['node', pass], ['node_bytes', passBytes]]) {
    timeFor(fn, records, 300, how);  // warm-up: the JIT compiles the hot function
    const rounds = [];
    for (let k = 0; k < 5; ++k) rounds.push(timeFor(fn, records, 200, how));
    rounds.sort((a, b) => a - b);
    console.log(`${tag} ${job.name} ${rounds[2].toFixed(2)}`);
  }
}
if (sink < 0) console.log(sink);
process.exit(failed ? 1 : 0);
