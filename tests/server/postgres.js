// A throwaway PostgreSQL cluster for one test run: made with initdb in a
// scratch folder of its own, listening only on a Unix socket there, and
// stopped and removed when the run ends, whether it passed or not.  As root
// (the CI) the cluster runs as the postgres user, since PostgreSQL refuses
// to run as root.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');

const BIN = process.env.RINDOU_PG_BIN || '/usr/lib/postgresql/15/bin';

let cluster = null;
let made = 0;

function run(cmd, args, asOwner) {
  const [c, a] = asOwner && process.getuid() === 0 ? ['runuser', ['-u', 'postgres', '--', cmd, ...args]] : [cmd, args];
  const r = spawnSync(c, a, { encoding: 'utf8', timeout: 60000 });
  if (r.status !== 0) throw new Error(`${cmd} ${args.join(' ')}: ${r.status} ${r.stderr || r.error}`);
  return r.stdout;
}

function stop() {
  if (!cluster) return;
  const { dir, data } = cluster;
  cluster = null;
  try { run(path.join(BIN, 'pg_ctl'), ['-D', data, '-m', 'immediate', '-w', 'stop'], true); } catch { /* gone already */ }
  fs.rmSync(dir, { recursive: true, force: true });
}
process.on('exit', stop);
for (const signal of ['SIGINT', 'SIGTERM']) process.on(signal, () => { stop(); process.exit(130); });

// Starts the cluster once per run; answers its socket folder.
function start() {
  if (cluster) return cluster;
  // A short path: a Unix socket's name is limited to about 100 bytes.
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'rindou-pg-'));
  const data = path.join(dir, 'data');
  if (process.getuid() === 0) fs.chownSync(dir, Number(run('id', ['-u', 'postgres'])), Number(run('id', ['-g', 'postgres'])));
  cluster = { dir, data };
  run(path.join(BIN, 'initdb'), ['-D', data, '-A', 'trust', '-E', 'UTF8', '--locale=C', '-U', 'postgres'], true);
  run(path.join(BIN, 'pg_ctl'), ['-D', data, '-w', '-l', path.join(dir, 'log'), '-o',
    `-c listen_addresses='' -k ${dir} -c max_connections=200 -c fsync=on`, 'start'], true);
  return cluster;
}

// A database of its own for each name the tests give (a path they would
// hand SQLite): the same name gives the same database, so a restarted
// server finds its games.
const databases = new Map();
function database(name) {
  const { dir } = start();
  if (!databases.has(name)) {
    const db = `t${++made}`;
    run(path.join(BIN, 'createdb'), ['-h', dir, '-U', 'postgres', db], false);
    databases.set(name, db);
  }
  return `postgresql:///${databases.get(name)}?host=${encodeURIComponent(dir)}&user=postgres`;
}

// A plain query through psql (for tests that look at or change the store).
function query(url, sql) {
  return run('psql', ['-X', '-A', '-t', '-v', 'ON_ERROR_STOP=1', '-d', url, '-c', sql], false).trim();
}

module.exports = { database, query, stop, BIN };
