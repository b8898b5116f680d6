// The connection dialogs of `hlvpres serve` driven in Debian's chromium, headless: the gallery,
// the PostgreSQL dialog against a real server up to its data source page, SQLite with a file,
// a wrong password, and no password anywhere it must not be.
//
//   node run.mjs --hlvpres PATH --pgserver PATH --artifacts DIR [--docs DIR]
//
// --pgserver is the live connection tests' PostgreSQL server program (hlvpgserver). Each
// scenario saves a screenshot of its last page into --artifacts, and into --docs when given.
// With HLV_SKIP_POSTGRES=1 the PostgreSQL scenarios are skipped.

import { spawn, spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, rmSync, copyFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { createInterface } from 'node:readline';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const PG_PASSWORD = 'S3ntinel-Browser-PG-Pa55';
const PG_DATABASE = 'hlvsales';
const PG_USER = 'hlvadmin';
const STEP_TIMEOUT = 20000;

function options() {
  const result = {};
  const args = process.argv.slice(2);
  for (let i = 0; i < args.length; i += 2) {
    if (!args[i].startsWith('--') || i + 1 >= args.length) throw new Error(`unexpected argument ${args[i]}`);
    result[args[i].slice(2)] = args[i + 1];
  }
  for (const required of ['hlvpres', 'pgserver', 'artifacts'])
    if (!result[required]) throw new Error(`--${required} is missing`);
  return result;
}

// playwright-core, installed from the lock file when it is not there yet (no browser download).
async function playwright() {
  if (!existsSync(join(here, 'node_modules', 'playwright-core'))) {
    const npm = spawnSync('npm', ['ci', '--no-audit', '--no-fund'], { cwd: here, stdio: 'inherit' });
    if (npm.status !== 0) throw new Error('npm ci failed');
  }
  return import('playwright-core');
}

// The first line a child prints on standard output.
function firstLine(child, what) {
  return new Promise((resolve, reject) => {
    const lines = createInterface({ input: child.stdout });
    const timer = setTimeout(() => reject(new Error(`${what} printed nothing within 90 s`)), 90000);
    lines.once('line', (line) => { clearTimeout(timer); resolve(line); });
    child.once('exit', (code) => { clearTimeout(timer); reject(new Error(`${what} ended with ${code}`)); });
  });
}

// The PostgreSQL test server: it runs until its standard input closes.
async function startPostgres(program) {
  const child = spawn(program, [], { stdio: ['pipe', 'pipe', 'inherit'] });
  child.stdin.write(`${PG_PASSWORD}\n`);
  const line = await firstLine(child, 'hlvpgserver');
  if (!line.startsWith('port ')) {
    child.stdin.end();
    throw new Error(`the PostgreSQL test server is not available: ${line}`);
  }
  return { port: line.slice(5), stop: () => new Promise((resolve) => { child.once('exit', resolve); child.stdin.end(); }) };
}

// hlvpres serve, its output kept to look for secrets in.
async function startServe(program) {
  const child = spawn(program, ['serve'], { stdio: ['ignore', 'pipe', 'pipe'] });
  const output = { text: '' };
  child.stderr.on('data', (chunk) => { output.text += chunk; });
  const line = await firstLine(child, 'hlvpres serve');
  const match = /^hlvpres serve: (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32})$/.exec(line);
  if (!match) throw new Error(`hlvpres serve printed ${JSON.stringify(line)}`);
  output.text += line;
  child.stdout.on('data', (chunk) => { output.text += chunk; });
  return { url: match[1], output, stop: () => new Promise((resolve) => { child.once('exit', resolve); child.kill('SIGTERM'); }) };
}

function makeSqliteFile(folder) {
  const path = join(folder, 'shop.sqlite');
  const made = spawnSync('python3', ['-c', `
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.executescript("""
CREATE TABLE orders (id INTEGER PRIMARY KEY, amount REAL);
CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT);
CREATE VIEW big_orders AS SELECT * FROM orders WHERE amount > 100;
""")
db.close()
`, path]);
  if (made.status !== 0) throw new Error(`making the SQLite file failed: ${made.stderr}`);
  return path;
}

function expect(condition, message) {
  if (!condition) throw new Error(message);
}

async function tableNames(page) {
  return page.locator('#table-list li:visible').evaluateAll((items) => items.map((item) => item.dataset.name));
}

async function openClass(page, url, label) {
  await page.goto(url);
  await page.getByRole('button', { name: label, exact: true }).click();
  await page.locator('#dialog-title').waitFor();
}

async function fillPostgres(page, port, password) {
  await page.getByLabel('Server', { exact: true }).fill('127.0.0.1');
  await page.getByLabel('Port', { exact: true }).fill(port);
  await page.getByLabel('Database', { exact: true }).fill(PG_DATABASE);
  await page.getByLabel('Username').fill(PG_USER);
  await page.getByLabel('Password').fill(password);
  // The test server takes connections over TLS only.
  await page.getByLabel('Require SSL').check();
}

// The scenarios; each gets a fresh page and leaves it on the page its screenshot shows.
function scenarios(context) {
  const { url, postgres, folder } = context;
  return [
    {
      name: 'gallery',
      async run(page) {
        await page.goto(url);
        await page.getByRole('heading', { name: 'Choose a connector' }).waitFor();
        for (const label of ['PostgreSQL', 'SQLite'])
          expect(await page.getByRole('button', { name: label, exact: true }).isEnabled(), `${label} is not offered`);
        // The search narrows the gallery.
        await page.getByLabel('Search connectors').fill('postgre');
        expect(await page.getByRole('button', { name: 'SQLite', exact: true }).isHidden(), 'the search kept SQLite');
        await page.getByLabel('Search connectors').fill('');
      },
    },
    {
      name: 'postgres-dialog',
      needsPostgres: true,
      async run(page) {
        await openClass(page, url, 'PostgreSQL');
        expect(await page.locator('#dialog-title').textContent() === 'PostgreSQL', 'not the PostgreSQL dialog');
        expect(await page.getByLabel('Port', { exact: true }).inputValue() === '5432', 'the port is not the default one');
        expect(await page.locator('#driver-missing').isHidden(), 'the driver is said to be missing');
        await fillPostgres(page, postgres.port, PG_PASSWORD);
      },
    },
    {
      name: 'data-source-page',
      needsPostgres: true,
      async run(page) {
        await openClass(page, url, 'PostgreSQL');
        await fillPostgres(page, postgres.port, PG_PASSWORD);
        await page.getByRole('button', { name: 'Sign In' }).click();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        const all = await tableNames(page);
        const expected = ['[hr].[staff]', '[hr].[staff_names]', '[sales].[Customers]', '[sales].[big_orders]', '[sales].[orders]'];
        expect(JSON.stringify(all) === JSON.stringify(expected), `tables ${JSON.stringify(all)}`);
        expect(await page.locator('#page').getByLabel('Database', { exact: true }).inputValue() === PG_DATABASE, 'another database chosen');
        // The attributes name the credential, never the password.
        const names = await page.locator('#page table tbody th').allTextContents();
        expect(names.includes('credential-id') && !names.includes('password'), `attributes ${names}`);
        // A schema connects again and lists its tables only; the search narrows them.
        await page.getByLabel('Schema', { exact: true }).selectOption('sales');
        await page.waitForFunction(() => document.querySelectorAll('#table-list li').length === 3, null, { timeout: STEP_TIMEOUT });
        await page.getByLabel('Search tables').fill('order');
        const found = await tableNames(page);
        expect(JSON.stringify(found) === '["[sales].[big_orders]","[sales].[orders]"]', `search found ${JSON.stringify(found)}`);
        await page.getByLabel('Search tables').fill('');
      },
    },
    {
      name: 'wrong-password',
      needsPostgres: true,
      async run(page) {
        await openClass(page, url, 'PostgreSQL');
        await fillPostgres(page, postgres.port, `${PG_PASSWORD}-wrong`);
        await page.getByRole('button', { name: 'Sign In' }).click();
        const alert = page.getByRole('alert');
        await alert.waitFor({ timeout: STEP_TIMEOUT });
        const message = await alert.textContent();
        expect(/password authentication failed/.test(message), `the message is ${JSON.stringify(message)}`);
        expect(await page.locator('#dialog').isVisible(), 'the dialog is gone');
      },
    },
    {
      name: 'sqlite',
      async run(page) {
        const file = makeSqliteFile(folder);
        await openClass(page, url, 'SQLite');
        await page.getByLabel('File', { exact: true }).fill(file);
        await page.getByRole('button', { name: 'Sign In' }).click();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        const names = await tableNames(page);
        expect(JSON.stringify(names) === '["[big_orders]","[customers]","[orders]"]', `tables ${JSON.stringify(names)}`);
      },
    },
    {
      name: 'required-fields',
      async run(page) {
        // A required field left empty is named, and nothing is sent.
        await openClass(page, url, 'SQLite');
        await page.getByRole('button', { name: 'Sign In' }).click();
        const message = await page.getByRole('alert').textContent();
        expect(message === 'Fill in File.', `the message is ${JSON.stringify(message)}`);
        expect(await page.getByLabel('File', { exact: true }).evaluate((input) => input === document.activeElement),
               'the empty field has no focus');
      },
    },
  ];
}

async function main() {
  const args = options();
  const skipPostgres = process.env.HLV_SKIP_POSTGRES === '1';
  mkdirSync(args.artifacts, { recursive: true });
  if (args.docs) mkdirSync(args.docs, { recursive: true });
  const folder = mkdtempSync(join(tmpdir(), 'hlv-browser-'));
  const { chromium } = await playwright();

  const failures = [];
  let postgres = null;
  let serve = null;
  let browser = null;
  const responses = [];
  try {
    if (!skipPostgres) postgres = await startPostgres(args.pgserver);
    serve = await startServe(args.hlvpres);
    browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox'] });
    const context = await browser.newContext({ viewport: { width: 1280, height: 860 } });
    context.on('response', (response) => responses.push(response.body().catch(() => Buffer.alloc(0))));

    for (const scenario of scenarios({ url: serve.url, postgres, folder })) {
      if (scenario.needsPostgres && !postgres) {
        console.log(`SKIP ${scenario.name} (HLV_SKIP_POSTGRES=1)`);
        continue;
      }
      const page = await context.newPage();
      page.setDefaultTimeout(STEP_TIMEOUT);
      const started = Date.now();
      try {
        await scenario.run(page);
        // The password is neither in the page nor in any field once it was sent.
        const text = await page.content();
        const values = await page.locator('input').evaluateAll((inputs) => inputs.map((input) => input.value).join('\n'));
        expect(!text.includes(PG_PASSWORD) && !(scenario.name !== 'postgres-dialog' && values.includes(PG_PASSWORD)),
               'the password is in the page');
        console.log(`PASS ${scenario.name} (${Date.now() - started} ms)`);
      } catch (failure) {
        failures.push(`${scenario.name}: ${failure.message.split('\n')[0]}`);
        console.log(`FAIL ${scenario.name}: ${failure.message}`);
      } finally {
        const shot = join(args.artifacts, `${scenario.name}.png`);
        await page.screenshot({ path: shot, fullPage: true });
        if (args.docs) copyFileSync(shot, join(args.docs, `${scenario.name}.png`));
        await page.close();
      }
    }
    await context.close();
  } catch (failure) {
    failures.push(failure.message);
  } finally {
    if (browser) await browser.close();
    if (serve) await serve.stop();
    if (postgres) await postgres.stop();
    rmSync(folder, { recursive: true, force: true });
  }

  // No response and nothing the server printed holds the password.
  const bodies = await Promise.all(responses);
  if (bodies.some((body) => body.includes(PG_PASSWORD))) failures.push('a response holds the password');
  if (serve && serve.output.text.includes(PG_PASSWORD)) failures.push('hlvpres serve printed the password');
  if (serve && serve.output.text.split('\n').slice(1).some((line) => line.includes('token=')))
    failures.push('hlvpres serve logged the token');

  for (const failure of failures) console.log(`FAIL ${failure}`);
  console.log(`${failures.length} failures`);
  process.exit(failures.length ? 1 : 0);
}

main().catch((failure) => {
  console.log(`FAIL ${failure.stack || failure}`);
  process.exit(1);
});
