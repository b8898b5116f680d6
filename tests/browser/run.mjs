// The connection dialogs of `hlvpres serve` driven in Debian's chromium, headless: the gallery,
// the PostgreSQL dialog against a real server up to its data source page, SQLite with a file
// (and through the ODBC dialog's SQLite3 driver), a wrong password, and no password anywhere it must not be; then the parts of the dialog that
// need no database (a modular dialog, a cube specification, connection and transport options, a
// DSN, a missing driver) and the variable prompt page: what a user sees there, does and sends.
//
//   node run.mjs --hlvpres PATH --pgserver PATH --artifacts DIR [--docs DIR] [--only NAME,...]
//
// --pgserver is the live connection tests' PostgreSQL server program (hlvpgserver), the optional
// --mariadbserver their MariaDB one (hlvmariadbserver). Each
// scenario saves a screenshot of its last page into --artifacts, and into --docs when given;
// --only runs the scenarios named.
// With HLV_SKIP_POSTGRES=1 (HLV_SKIP_MARIADB=1) the PostgreSQL (MariaDB) scenarios are skipped.

import { spawn, spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, rmSync, copyFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { createServer } from 'node:net';
import { createInterface } from 'node:readline';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const PG_PASSWORD = 'S3ntinel-Browser-PG-Pa55';
const PG_DATABASE = 'hlvsales';
const PG_USER = 'hlvadmin';
const MARIADB_PASSWORD = 'S3ntinel-Browser-My-Pa55';
const STEP_TIMEOUT = 20000;
const CONNECTION_FIELDS_FLAG = '0xDC326D3';
const VARIABLES_FILE = join(here, '..', '..', 'docs', 'examples', 'variables', 'sales-bw.json');

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

const AXE = join(here, 'node_modules', 'axe-core', 'axe.min.js');

// playwright-core and axe-core, installed from the lock file when they are not there yet (no
// browser download).
async function playwright() {
  if (!existsSync(join(here, 'node_modules', 'playwright-core')) || !existsSync(AXE)) {
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

// A database test server (hlvpgserver, hlvmariadbserver): it runs until its standard input closes.
async function startServer(program, password) {
  const child = spawn(program, [], { stdio: ['pipe', 'pipe', 'inherit'] });
  child.stdin.write(`${password}\n`);
  const line = await firstLine(child, program);
  if (!line.startsWith('port ')) {
    child.stdin.end();
    throw new Error(`the test server ${program} is not available: ${line}`);
  }
  return { port: line.slice(5), stop: () => new Promise((resolve) => { child.once('exit', resolve); child.stdin.end(); }) };
}

// hlvpres serve, its output kept to look for secrets in; `flags` sets its feature flags.
async function startServe(program, args = [], flags = '', extraEnv = {}) {
  const env = Object.assign({}, process.env, { HLV_FEATURE_FLAGS: flags }, extraEnv);
  const child = spawn(program, ['serve', ...args], { stdio: ['ignore', 'pipe', 'pipe'], env });
  const output = { text: '' };
  child.stderr.on('data', (chunk) => { output.text += chunk; });
  const line = await firstLine(child, 'hlvpres serve');
  const match = /^hlvpres serve: (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32})$/.exec(line);
  if (!match) throw new Error(`hlvpres serve printed ${JSON.stringify(line)}`);
  output.text += line;
  child.stdout.on('data', (chunk) => { output.text += chunk; });
  return { url: match[1], output, stop: () => new Promise((resolve) => { child.once('exit', resolve); child.kill('SIGTERM'); }) };
}

function makeSqliteFile(folder, name = 'shop.sqlite') {
  const path = join(folder, name);
  const made = spawnSync('python3', ['-c', `
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.executescript("""
CREATE TABLE orders (id INTEGER PRIMARY KEY, amount REAL, note TEXT, receipt BLOB);
CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT);
INSERT INTO orders VALUES (1, 250.5, 'deliver to the back door ' || printf('%.300c', 'x'), x'00010203'), (2, NULL, 'short', NULL);
CREATE VIEW big_orders AS SELECT * FROM orders WHERE amount > 100;
""")
db.close()
`, path]);
  if (made.status !== 0) throw new Error(`making the SQLite file failed: ${made.stderr}`);
  return path;
}

// Files the live tests' own writers make: an Excel workbook (the sheet Orders: id, customer; Ada
// and Grace), and odbcinst.ini with odbc.ini naming the SQLite file `sqlite` as the DSN "hlvlite".
function runLiveWriter(call, ...args) {
  const made = spawnSync('python3', ['-c', `import sys; sys.path.insert(0, sys.argv[1]); import run_live; run_live.${call}`,
                                     join(here, '..', 'cli'), ...args]);
  if (made.status !== 0) throw new Error(`python3 run_live.${call} failed: ${made.stderr}`);
}

// A connector the machine has no driver for, offering a data source name.
function makeDsnConnector(folder) {
  const connectors = join(folder, 'connectors');
  mkdirSync(connectors);
  writeFileSync(join(connectors, 'ledger-odbc.json'), JSON.stringify({
    class: 'ledger-odbc',
    caption: { en: 'Ledger (ODBC)' },
    kind: 'server',
    model: 'relational',
    authentication: { mode: 'auth-mode-basic', options: { 'auth-option-username-and-password': 'up' } },
    dialog: { server: { prompt: 'Host' }, port: { prompt: 'Port' }, database: { prompt: 'Ledger', optional: true } },
    'dsn-options': [
      { name: 'Ledger Staging', driver: 'Ledger ODBC', server: 'staging.ledger.example', port: '7401', database: 'draft', username: 'tester' },
      { name: 'Ledger Production', driver: 'Ledger ODBC', server: 'ledger.example', port: '7400', database: 'books', username: 'auditor' },
    ],
    driver: { odbc: 'Ledger ODBC' },
  }));
  return connectors;
}

function expect(condition, message) {
  if (!condition) throw new Error(message);
}

function expectSame(actual, expected, what) {
  expect(JSON.stringify(actual) === JSON.stringify(expected), `${what}: ${JSON.stringify(actual)}, not ${JSON.stringify(expected)}`);
}

// The dialog record of a class as the API gives it, asked from the page with its token.
async function settingsRecord(page, connectionClass) {
  const bag = await page.evaluate(async (target) => {
    const token = new URLSearchParams(location.search).get('token');
    return (await fetch(target, { headers: { 'X-Hlv-Token': token } })).json();
  }, `/api/dialog?class=${connectionClass}`);
  return Object.values(bag)[0];
}

// The texts of the options of a select, those the page disabled left out.
async function enabledOptions(locator) {
  return locator.evaluate((select) => [...select.options].filter((o) => !o.disabled).map((o) => o.textContent));
}

// The connection params record the dialog sends when Sign In is pressed.
async function sentParams(page) {
  const request = page.waitForRequest((r) => r.url().includes('/api/convert'));
  await page.getByRole('button', { name: 'Sign In' }).click();
  return (await request).postDataJSON()['gen-connection-params-pres-model'];
}

async function tableNames(page) {
  return page.locator('#table-list li:visible').evaluateAll((items) => items.map((item) => item.dataset.name));
}

// axe-core over the page as it is: no violation of any rule it runs.
async function checkAccessibility(page, what) {
  if (!(await page.evaluate(() => 'axe' in window))) await page.addScriptTag({ path: AXE });
  const violations = await page.evaluate(async () => (await window.axe.run(document)).violations
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
  expectSame(violations, [], `the accessibility violations of ${what}`);
}

async function openClass(page, url, label) {
  await page.goto(url);
  await page.getByRole('button', { name: label, exact: true }).click();
  await page.locator('#dialog-title').waitFor();
  await checkAccessibility(page, `the ${label} dialog`);
}

// A server that takes connections and never answers.
async function silentServer() {
  const sockets = new Set();
  const server = createServer((socket) => { sockets.add(socket); socket.on('error', () => {}); });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { port: String(server.address().port), sockets,
           close: () => new Promise((resolve) => { for (const socket of sockets) socket.destroy(); server.close(resolve); }) };
}

// The cells of the preview grid, each as its class and text ("cut" for a value cut short).
async function gridRows(page) {
  return page.locator('table.grid tbody tr').evaluateAll((rows) => rows.map((row) => [...row.cells].map((cell) =>
    (cell.querySelector('details') ? 'cut' : `${cell.className}:${cell.textContent}`))));
}

// A complete road: the connector chosen in the gallery, its dialog filled by `fill`, Sign In, the
// data source page, the table named `table` (else the first) chosen, and its preview grid: the
// grid's column names and the first cells of its first row.
async function road(page, url, label, fill, table) {
  await openClass(page, url, label);
  await fill(page);
  await page.getByRole('button', { name: 'Sign In' }).click();
  await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
  await page.locator(table ? `#table-list li[data-name="${table}"] button` : '#table-list li button').first().click();
  await page.locator('table.grid').waitFor({ timeout: STEP_TIMEOUT });
  const columns = await page.locator('table.grid th').evaluateAll((all) => all.map((th) => th.firstChild.textContent));
  return [columns, (await gridRows(page)).slice(0, 1).map((row) => row.slice(0, 2))];
}

const fillFile = (path) => (page) => page.getByLabel('File', { exact: true }).fill(path);

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
  const { url, postgres, mariadb, folder, shots } = context;
  const server = (port, database, user, password, ssl) => async (page) => {
    // Spaces around what names the server never reach it.
    for (const [label, value] of [['Server', ' 127.0.0.1 '], ['Port', port], [/^Database( \(optional\))?$/, database],
                                  ['Username', user], ['Password', password]])
      await page.locator('#dialog').getByLabel(label, { exact: true }).fill(value);
    if (ssl) await page.getByLabel('Require SSL').check();
  };
  // A complete road for each live class, ending in the preview grid of a table.
  const roads = [
    ['postgres', 'PostgreSQL', () => server(postgres.port, PG_DATABASE, PG_USER, PG_PASSWORD, true), '[sales].[orders]',
     [['id', 'amount'], []]],
    ['mysql', 'MySQL', () => server(mariadb.port, 'hlvsales', 'hlvadmin', MARIADB_PASSWORD, false), '[orders]',
     [['id', 'customer', 'amount', 'placed', 'note', 'photo'], [['number:1', ':Ada']]]],
    ['odbc-dsn', 'Other Databases (ODBC)', () => (page) => page.getByLabel('Data source name (DSN)').selectOption('hlvlite'), '[orders]',
     [['id', 'amount', 'note', 'receipt'], [['number:1', 'number:250.5']]]],
    ['csv', 'Text file', () => fillFile(join(folder, 'texts', 'orders.csv')), undefined,
     [['id', 'customer', 'amount'], [['number:1', ':Ada']]]],
    ['excel', 'Microsoft Excel', () => fillFile(join(folder, 'book.xlsx')), undefined, [['id', 'customer'], [['number:1', ':Ada']]]],
  ].map(([name, label, fill, table, expected]) => ({
    name: `road-${name}`, needsPostgres: name === 'postgres', needsMariadb: name === 'mysql',
    async run(page) { expectSame(await road(page, url, label, fill(), table), expected, `the grid of ${label}`); },
  }));
  return [
    ...roads,
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
        // A port that is none is refused under its field, and nothing is sent.
        const port = page.getByLabel('Port', { exact: true });
        let sent = 0;
        page.on('request', (r) => { if (r.url().includes('/api/')) sent += 1; });
        for (const wrong of ['abc', '99999', '0']) {
          await port.fill(` ${wrong} `);
          await page.getByRole('button', { name: 'Sign In' }).click();
          const [invalid, message] = await port.evaluate((input) => [input.getAttribute('aria-invalid'),
            document.getElementById(input.getAttribute('aria-describedby').split(' ')[0]).textContent]);
          expectSame([invalid, message, sent], ['true', `"${wrong}" is not a port: give a number from 1 to 65535.`, 0], `the port ${wrong}`);
        }
        await port.fill(postgres.port);
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
        // No schema chosen shows all of them; a schema connects again and lists its tables only; the
        // count and a message follow the search; the schema search keeps the chosen one.
        const schema = page.getByLabel('Schema', { exact: true });
        const state = async () => [await schema.inputValue(), await page.locator('#page .pickers h3').textContent(),
                                   await page.locator('#no-tables').textContent()];
        expectSame(await state(), ['', 'Tables (5)', ''], 'no schema chosen');
        // Cancel while a schema pick connects (its request held here): the page is back as it was,
        // usable, and the late answer shows nowhere.
        let release;
        const held = new Promise((resolve) => { release = resolve; });
        await page.route('**/api/describe', async (route) => { await held; await route.continue().catch(() => {}); });
        await schema.selectOption('hr');
        await page.locator('#page').getByRole('button', { name: 'Cancel' }).click();
        release();
        await page.unroute('**/api/describe');
        await page.waitForTimeout(500);
        expectSame([...(await state()), await schema.isEnabled(), await page.locator('#status').textContent(), await page.locator('#error').isHidden()],
                   ['', 'Tables (5)', '', true, 'Cancelled.', true], 'after a cancelled pick');
        await schema.selectOption('sales');
        await page.waitForFunction(() => document.querySelectorAll('#table-list li').length === 3, null, { timeout: STEP_TIMEOUT });
        expect(await schema.evaluate((select) => select === document.activeElement), 'the schema picker lost the focus');
        await page.getByLabel('Search tables').fill('order');
        expectSame([await tableNames(page), ...(await state()).slice(1)], [['[sales].[big_orders]', '[sales].[orders]'], 'Tables (2)', ''], 'the search');
        await page.getByLabel('Search tables').fill('nothing like it');
        expectSame(await state(), ['sales', 'Tables (0)', 'No table matches.'], 'a search matching nothing');
        await page.getByLabel('Search schemas').fill('hr');
        expectSame(await schema.evaluate((select) => [...select.options].filter((o) => !o.hidden).map((o) => o.value)),
                   ['', 'hr', 'sales'], 'the schemas the search shows');
        await schema.selectOption('public');
        await page.waitForFunction(() => !document.querySelectorAll('#table-list li').length, null, { timeout: STEP_TIMEOUT });
        expectSame(await state(), ['public', 'Tables (0)', 'The schema public has no tables.'], 'an empty schema');
        // Another database drops the schema from the attributes it connects with.
        const database = page.locator('#page').getByLabel('Database', { exact: true });
        const other = await database.evaluate((select) => [...select.options].map((o) => o.value).find((v) => v !== select.value));
        const request = page.waitForRequest((r) => r.url().includes('/api/describe'));
        await database.selectOption(other);
        expect(!('schema' in (await request).postDataJSON()), 'the schema of the other database is still sent');
        await page.waitForFunction((name) => document.querySelector('#page select[data-picker="database"]').value === name
          && !document.querySelector('#page [aria-busy]'), other, { timeout: STEP_TIMEOUT });
        expectSame(await schema.inputValue(), '', 'the schema after another database');
      },
    },
    {
      name: 'wrong-password',
      needsPostgres: true,
      async run(page) {
        await openClass(page, url, 'PostgreSQL');
        await fillPostgres(page, postgres.port, `${PG_PASSWORD}-wrong`);
        await page.getByRole('button', { name: 'Sign In' }).click();
        // The plain words under the password, which has the focus and keeps what was typed; the
        // database's own words under Details; the alert above the form stays empty.
        const password = page.getByLabel('Password');
        await page.locator('.field-error').waitFor({ timeout: STEP_TIMEOUT });
        const [describedBy, invalid, focused, kept] = await password.evaluate((input) => [input.getAttribute('aria-describedby'),
          input.getAttribute('aria-invalid'), input === document.activeElement, input.value.endsWith('-wrong')]);
        const box = page.locator(`#${describedBy.split(' ')[0]}`);
        expect(/password is not accepted/.test(await box.locator('p').first().textContent()), 'the message is not under the password');
        expectSame([invalid, focused, kept, await page.locator('#error').isHidden()], ['true', true, true, true], 'invalid, focused, kept, no alert');
        await box.getByText('Details').click();
        expect(/password authentication failed/.test(await box.locator('details p').textContent()), 'no details');
        await checkAccessibility(page, 'the failed sign-in');
        await password.fill('');
      },
    },
    {
      name: 'sqlite',
      async run(page) {
        const file = makeSqliteFile(folder);
        await openClass(page, url, 'SQLite');
        await page.getByLabel('File', { exact: true }).fill(file);
        await page.getByRole('button', { name: 'Test connection' }).click();
        await page.getByRole('status').filter({ hasText: 'The connection works.' }).waitFor({ timeout: STEP_TIMEOUT });
        await page.getByRole('button', { name: 'Sign In' }).click();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        const names = await tableNames(page);
        expect(JSON.stringify(names) === '["[big_orders]","[customers]","[orders]"]', `tables ${JSON.stringify(names)}`);
        // From the keyboard only: Tab to a table, Enter, its grid.
        for (let i = 0; i < 20 && !(await page.evaluate(() => document.activeElement.closest('#table-list li[data-name="[orders]"]'))); i++)
          await page.keyboard.press('Tab');
        await page.keyboard.press('Enter');
        await page.getByRole('table', { name: 'Preview of orders' }).waitFor({ timeout: STEP_TIMEOUT });
        expectSame(await page.locator('table.grid th').allTextContents(), ['idINTEGER', 'amountREAL', 'noteTEXT', 'receiptBLOB'], 'the columns');
        expectSame(await gridRows(page), [['number:1', 'number:250.5', 'cut', 'binary:4 bytes'], ['number:2', 'null:NULL', ':short', 'null:NULL']], 'the rows');
        expectSame(await page.locator('table.grid td.number').first().evaluate((cell) => getComputedStyle(cell).textAlign), 'right', 'a number\'s alignment');
        const cut = page.locator('table.grid details');
        await cut.locator('summary').click();
        expect((await cut.locator('div').textContent()).endsWith('x'.repeat(300)), 'the whole value is not shown');
        // A custom query: its rows, and a note that more follow than are shown.
        await page.getByLabel('Custom SQL query').fill('WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n LIMIT 150) SELECT x FROM n');
        await page.getByRole('button', { name: 'Run' }).click();
        await page.getByRole('table', { name: 'Result of the custom SQL query' }).waitFor({ timeout: STEP_TIMEOUT });
        expectSame([await page.locator('table.grid tbody tr').count(), await page.locator('#preview-notes').textContent()],
                   [100, '100 rows shown. More rows follow: only the first 100 are shown.'], 'the rows of the query');
      },
    },
    {
      name: 'cancel',
      async run(page) {
        // A server that never answers: Cancel gives Sign In back, and the abandoned attempt's
        // failure, once it comes, shows nowhere.
        const silent = await silentServer();
        try {
          await openClass(page, url, 'PostgreSQL');
          await fillPostgres(page, silent.port, 'secret');
          const signIn = page.getByRole('button', { name: 'Sign In' });
          await signIn.click();
          await page.getByRole('button', { name: 'Cancel' }).waitFor();
          for (let i = 0; i < 100 && !silent.sockets.size; i++) await page.waitForTimeout(50);  // the server is connecting
          expectSame([await signIn.isDisabled(), await page.getByRole('button', { name: 'Test connection' }).isDisabled(),
                      await page.locator('#dialog form').getAttribute('aria-busy'), await page.locator('#status').textContent()],
                     [true, true, 'true', 'Connecting…'], 'the busy state');
          await page.getByRole('button', { name: 'Cancel' }).click();
          await page.waitForFunction(() => !document.querySelector('#dialog .cancel'));
          expectSame([await signIn.isEnabled(), await page.locator('#status').textContent()], [true, 'Cancelled.'], 'after Cancel');
          await silent.close();  // the server's attempt fails now
          await page.waitForTimeout(1500);
          expectSame([await page.locator('#error').isHidden(), await page.locator('.field-error').count()], [true, 0], 'a late failure shown');
          await page.getByLabel('Password').fill('');
        } finally {
          await silent.close();
        }
      },
    },
    {
      name: 'odbc-driver',
      async run(page) {
        // With no data source name, the ODBC dialog connects by an installed driver and its fields.
        const file = makeSqliteFile(folder, 'odbc.sqlite');
        await openClass(page, url, 'Other Databases (ODBC)');
        const driver = page.getByLabel('Driver', { exact: true });
        expect((await driver.evaluate((select) => [...select.options].map((o) => o.value))).includes('SQLite3'), 'no SQLite3 driver offered');
        await page.getByRole('button', { name: 'Sign In' }).click();
        expectSame(await page.getByRole('alert').textContent(), 'Fill in Driver.', 'the message without a driver');
        await driver.selectOption('SQLite3');
        await page.getByLabel('Database (optional)', { exact: true }).fill(file);
        const params = await sentParams(page);
        expectSame([params['widget-attr-driver'], params['widget-attr-db']], ['SQLite3', file], 'the driver and database sent');
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        expectSame((await tableNames(page)).sort(), ['[big_orders]', '[customers]', '[orders]'], 'the tables');
        // A database file named outside the allowed folder is refused as any other file is.
        const status = await page.evaluate(async () => (await fetch('/api/describe', { method: 'POST',
          headers: { 'X-Hlv-Token': new URLSearchParams(location.search).get('token') },
          body: JSON.stringify({ class: 'genericodbc', 'odbc-driver': 'SQLite3', dbname: '/etc/passwd' }) })).status);
        expectSame(status, 400, 'the status of a database file outside');
        await page.locator('#table-list li[data-name="[orders]"] button').click();
        await page.locator('table.grid').waitFor({ timeout: STEP_TIMEOUT });
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
        // A file missing from an allowed folder is said so at its field; one outside is only refused.
        for (const [path, words, flagged] of [[join(folder, 'missing.sqlite'), /does not exist/, 'true'],
                                              ['/nowhere/missing.sqlite', /outside the folders/, null]]) {
          await page.getByLabel('File', { exact: true }).fill(path);
          await page.getByRole('button', { name: 'Sign In' }).click();
          const said = page.locator('.field-error, #error:visible').first();
          await said.waitFor({ timeout: STEP_TIMEOUT });
          expect(words.test(await said.textContent()), `the message for ${path}: ${await said.textContent()}`);
          expectSame(await page.getByLabel('File', { exact: true }).getAttribute('aria-invalid'), flagged, `the field flagged for ${path}`);
        }
      },
    },
    {
      name: 'modular-dialog',
      async run(page) {
        // The server runs with the connection fields model on: Snowflake's dialog is its sections.
        await openClass(page, url, 'Snowflake');
        const settings = await settingsRecord(page, 'snowflake');
        const layout = JSON.parse(settings['modular-connection-settings']['connection-dialog-json']);
        const legends = await page.locator('#dialog fieldset > legend').allTextContents();
        const sections = layout.sections.map((section) => section.name);
        // The sections alone: the fixed sign-in and certificate parts they cover are not drawn too.
        expectSame(legends, sections, 'the sections');
        for (const section of layout.sections) {
          const fieldset = page.locator('#dialog fieldset').filter({ has: page.locator('legend', { hasText: section.name }) });
          expectSame(await fieldset.locator('input, select').evaluateAll((inputs) => inputs.map((input) => input.dataset.attribute)),
                     section.fields, `the fields of ${section.name}`);
          for (const [field, choices] of Object.entries(section.choices || {})) {
            const texts = await fieldset.locator(`[data-attribute="${field}"]`).evaluate((select) => [...select.options].map((o) => o.textContent));
            expectSame(texts, choices.map((choice) => choice.label), `the choices of ${field}`);
          }
        }
        expectSame(await page.locator('#dialog form > :is(div:not(.actions), label)').count(), 0, 'fields outside the sections');
        // Labels: the description's own, the record's prompt for a fixed field, else readable words.
        const labels = await page.locator('#dialog fieldset label').evaluateAll((all) => all.map((label) => label.firstChild.textContent));
        expectSame(labels, ['Server', 'Warehouse', 'Database', 'Schema', 'Authentication', 'Username', 'Password',
                            layout.files['priv-key-file'].label, 'Private key file password', 'SAML IdP',
                            layout.files.sslfile.label, 'ODBC connect string extras'], 'the labels');
        expectSame(await page.locator('#dialog input[type="password"]').evaluateAll((inputs) => inputs.map((input) => input.dataset.attribute)),
                   ['password', 'priv-key-file-pwd'], 'the secret fields');
        expectSame(await page.locator('#driver-missing').textContent(), settings['driver-missing-info'], 'the driver message');
        // Each sign-in shows, and requires (*), only its own fields; OAuth none.
        const signIn = page.locator('#dialog fieldset').filter({ has: page.locator('legend', { hasText: 'Sign in' }) });
        const how = signIn.locator('[data-attribute="authentication"]');
        for (const [choice, fields] of [['auth-keypair', ['username*', 'priv-key-file*', 'priv-key-file-pwd']], ['oauth', []],
                                        ['auth-saml-idp', ['username*', 'saml-idp*']], ['auth-user-pass', ['username*', 'password*']]]) {
          await how.selectOption(choice);
          expectSame(await signIn.locator('input:visible').evaluateAll((inputs) => inputs.map((i) => i.dataset.attribute + (i.required ? '*' : ''))),
                     fields, `the fields of ${choice}`);
        }

        // The server is required as the record says; the warehouse and the database are optional.
        await page.getByRole('button', { name: 'Sign In' }).click();
        expectSame(await page.getByRole('alert').textContent(), 'Fill in Server.', 'the message for an empty server');

        // Signed in, the password leaves its field; with no driver here the dialog stays with the failure said.
        for (const [field, value] of Object.entries({ server: 'acme.snowflakecomputing.com', warehouse: 'REPORTING_WH', username: 'analyst' }))
          await page.locator(`#dialog [data-attribute="${field}"]`).fill(value);
        await page.locator('#dialog [data-attribute="password"]').fill(PG_PASSWORD);
        await page.getByRole('button', { name: 'Sign In' }).click();
        await page.getByRole('alert').filter({ hasNotText: 'Fill in' }).waitFor({ timeout: STEP_TIMEOUT });
        expect(await page.locator('#dialog').isVisible(), 'the dialog is gone');
        expect(await page.locator('#dialog [data-attribute="password"]').inputValue() === PG_PASSWORD, 'a failed sign-in wiped the password');
        await page.locator('#dialog [data-attribute="password"]').fill('');
      },
    },
    {
      name: 'cube-dialog',
      async run(page) {
        await openClass(page, url, 'Teradata OLAP Connector');
        const cube = (await settingsRecord(page, 'tbio'))['cube-connection-specification'];
        const fieldset = page.locator('#dialog fieldset').filter({ has: page.locator('legend', { hasText: cube['connection-specification-title'] }) });
        const radios = fieldset.getByRole('radio');
        const options = cube['cube-connection-specification-options'];
        expect(await radios.count() === options.length, 'one choice per option');
        const selected = Number(cube['selected-option-index']);
        for (const [index, option] of options.entries()) {
          const radio = fieldset.getByRole('radio', { name: option['prompt-text'], exact: true });
          expect(await radio.isChecked() === (index === selected), `${option['prompt-text']} checked ${index !== selected}`);
          if (option['connection-specification-type'] === 'combo-box') {
            const texts = await fieldset.getByRole('combobox', { name: option['prompt-text'] }).evaluate((select) => [...select.options].map((o) => o.textContent));
            expectSame(texts, option['possible-choices'], `the choices of ${option['prompt-text']}`);
          }
        }
        // The chosen option and its value are what the dialog sends.
        const combo = options.find((option) => option['connection-specification-type'] === 'combo-box');
        await fieldset.getByRole('radio', { name: combo['prompt-text'], exact: true }).check();
        const last = combo['possible-choices'][combo['possible-choices'].length - 1];
        await fieldset.getByRole('combobox', { name: combo['prompt-text'] }).selectOption(last);
        await page.getByLabel('Username').fill('analyst');
        await page.getByLabel('Password').fill('olap-password');
        const params = await sentParams(page);
        expectSame([params['widget-attr-cube-specification-id'], params['widget-attr-cube-specification-value']],
                   [combo['option-id'], last], 'the cube specification sent');
        await page.locator('#error').waitFor({ state: 'visible', timeout: STEP_TIMEOUT }).catch(() => {});
      },
    },
    {
      name: 'dialog-kinds',
      async run(page) {
        // Each kind of dialog draws the fields its record names, required as it says; a picture of each.
        const field = (label) => page.locator('#dialog').getByLabel(label, { exact: true });
        const required = async (labels) => Promise.all(labels.map((label) => field(label).evaluate((input) => input.required)));
        const shoot = async (name) => {
          await page.setViewportSize({ width: 800, height: 700 });
          const shot = join(shots.artifacts, `${name}.png`);
          await page.screenshot({ path: shot, fullPage: true });
          if (shots.docs) copyFileSync(shot, join(shots.docs, `${name}.png`));
        };

        // ODBC with no data source name: a driver and its fields, the connection string extras kept out of the address.
        await openClass(page, url, 'Other Databases (ODBC)');
        expectSame(await required(['Driver', 'Server (optional)', 'Connection string extras (optional)']), [true, false, false], 'ODBC: required');
        await field('Connection string extras (optional)').fill('NoCreat=1;PWD=hidden');
        await field('Server (optional)').fill('db.example');
        await page.waitForURL(/f\.widget-attr-server=db\.example/);
        expect(!page.url().includes('hidden'), 'the connection string extras are in the address');
        await shoot('odbc-dialog');

        // JDBC: the URL is required and sent with the driver properties.
        await openClass(page, url, 'Other Databases (JDBC)');
        expectSame(await required(['JDBC URL', 'Driver properties (optional)', 'Username (optional)']), [true, false, false], 'JDBC: required');
        await page.getByRole('button', { name: 'Sign In' }).click();
        expectSame(await page.getByRole('alert').textContent(), 'Fill in JDBC URL.', 'JDBC: the message without a URL');
        await field('JDBC URL').fill('jdbc:postgresql://db.example/sales');
        await field('Driver properties (optional)').fill('ssl=true');
        const jdbc = await sentParams(page);
        expectSame([jdbc['widget-attr-jdbcurl'], jdbc['widget-attr-jdbcproperties']], ['jdbc:postgresql://db.example/sales', 'ssl=true'], 'JDBC: sent');
        await openClass(page, url, 'Other Databases (JDBC)');
        await shoot('jdbc-dialog');

        // A web data connector is its URL.
        await openClass(page, url, 'Web Data Connector');
        expectSame(await required(['Web data connector URL']), [true], 'the web data connector URL');
        await field('Web data connector URL').fill('https://wdc.example/connector.html');
        const converted = page.waitForResponse((r) => r.url().includes('/api/convert'));
        await page.getByRole('button', { name: 'Sign In' }).click();
        expectSame((await (await converted).json())['wdc-url'], 'https://wdc.example/connector.html', 'the URL\'s attribute');

        // Access: workgroup security asks for its file, user and password, the password kept out of the address.
        await openClass(page, url, 'Microsoft Access');
        await field('Sign in with').selectOption('auth-option-access-yes');
        expectSame(await required(['Workgroup file (MDW)', 'Workgroup user', 'Workgroup password (optional)']), [true, true, false], 'the workgroup fields');
        await field('File').fill(join(folder, 'shop.sqlite'));
        await field('Workgroup file (MDW)').setInputFiles({ name: 'system.mdw', mimeType: 'application/octet-stream', buffer: Buffer.from('mdw') });
        await field('Workgroup user').fill('clerk');
        await field('Workgroup password (optional)').fill('mdw-Pa55');
        const access = await sentParams(page);
        expectSame([access['widget-attr-mdw-path'].startsWith('data:'), access['widget-attr-mdw-username'], page.url().includes('mdw-Pa55')],
                   [true, 'clerk', false], 'Access: sent');

        // OAuth only: the sign-in step says it needs network access, and nothing can be sent.
        await openClass(page, url, 'Google Analytics');
        expect((await page.locator('#dialog .oauth-note:visible').textContent()).includes('network access'), 'no word of network access');
        expectSame(await page.locator('#dialog input:visible:not([type="checkbox"])').count(), 0, 'fields for an OAuth sign-in');
        expect(await page.getByRole('button', { name: 'Sign In' }).isDisabled(), 'Sign In is enabled without a way to sign in');
        await shoot('oauth-dialog');

        // Cubes: a local cube file leaves the server aside; the user and password follow the option; one "Authentication".
        await openClass(page, url, 'Microsoft Analysis Services');
        const spec = page.locator('#dialog fieldset').filter({ hasText: 'Local cube file' });
        await spec.getByRole('radio', { name: 'Local cube file' }).check();
        expectSame([await spec.getByRole('textbox', { name: 'Server' }).isDisabled(), await spec.getByRole('textbox', { name: 'Local cube file' }).isDisabled()],
                   [true, false], 'the server with a local cube file');
        expectSame(await page.locator('#dialog').getByText('Authentication', { exact: true }).count(), 1, 'the "Authentication" labels');
        const method = field('Sign in with');
        expect(await field('Username').isHidden(), 'Windows authentication asks for a user');
        await method.selectOption('auth-option-username-and-password');
        expectSame(await required(['Username', 'Password']), [true, true], 'the user and password of the cube');
        await shoot('analysis-services-dialog');
        await openClass(page, url, 'Oracle Essbase');
        expectSame(await page.locator('#dialog').getByRole('textbox', { name: 'Server' }).evaluate((input) => input.required), true, 'the Essbase server');

        // Snowflake: its OAuth choice says what it needs; its missing driver is said.
        await openClass(page, url, 'Snowflake');
        const settings = await settingsRecord(page, 'snowflake');
        expectSame(await page.locator('#driver-missing').textContent(), settings['driver-missing-info'], 'the driver message');
        const note = page.locator('#dialog .oauth-note');
        expect(await note.isHidden(), 'the OAuth note without OAuth');
        await page.locator('#dialog [data-attribute="authentication"]').selectOption('oauth');
        await note.filter({ hasText: 'Snowflake OAuth or Okta' }).waitFor();
        await shoot('snowflake-dialog');

        // "More…" is no dialog: it lists every connector.
        await page.goto(url);
        await page.getByRole('button', { name: /^More/ }).click();
        expect(await page.locator('#gallery').isVisible() && await page.locator('#dialog').isHidden(), '"More…" left the gallery');
      },
    },
    {
      name: 'connection-options',
      async run(page) {
        await openClass(page, url, 'Apache Hive');
        const settings = await settingsRecord(page, 'hive');
        const connection = page.getByLabel('Connection', { exact: true });
        const transport = page.getByLabel('Transport', { exact: true });
        const auth = page.locator('#dialog').getByLabel('Sign in with', { exact: true });
        expectSame(await enabledOptions(connection), settings['connection-settings-options'].map((o) => o['connection-option-name']), 'the connection options');
        expectSame(await enabledOptions(transport), settings['transport-type-configs'].map((t) => t['transport-type-name']), 'the transports');
        const drivers = settings['conn-type-to-driver-info-mappings'];
        for (const option of settings['connection-settings-options']) {
          const type = option['widget-attr-connectiontype'];
          await connection.selectOption(type);
          // The server prompt, the port and the driver message follow the connection option.
          expect(await page.getByLabel(option['server-name-prompt'], { exact: true }).isVisible(), `no ${option['server-name-prompt']} prompt`);
          expect(await page.getByLabel('Port', { exact: true }).isVisible() === (option['show-port-prompt'] === 'true'), `the port for ${type}`);
          const mapping = drivers.find((m) => m['widget-attr-connectiontype'] === type);
          expectSame(await page.locator('#driver-missing').textContent(), mapping['driver-missing-info'], `the driver message for ${type}`);
          // Each transport offers the authentication its mapping allows for the connection type.
          for (const config of settings['transport-type-configs']) {
            await transport.selectOption(config['transport-type']);
            const allowed = config['conn-type-to-auth-option-mappings'].find((m) => m['widget-attr-connectiontype'] === type);
            const values = await auth.evaluate((select) => [...select.options].filter((o) => !o.disabled).map((o) => o.value));
            expectSame(values, allowed ? allowed['auth-options'] : settings['auth-info']['auth-options'], `the authentication of ${type} over ${config['transport-type-name']}`);
            expect(await page.getByLabel('HTTP path').isVisible() === (config['show-http-path'] === 'true'), `the HTTP path over ${config['transport-type-name']}`);
          }
        }
        await connection.selectOption('zookeeper');
        await transport.selectOption(settings['transport-type-configs'][1]['transport-type']);
      },
    },
    {
      name: 'dsn-dialog',
      async run(page) {
        await openClass(page, url, 'Ledger (ODBC)');
        const dsn = page.getByLabel('Data source name (DSN)');
        expectSame(await dsn.evaluate((select) => [...select.options].map((o) => o.value).filter(Boolean)),
                   ['Ledger Staging', 'Ledger Production'], 'the data source names');
        // Choosing a name fills in what it holds, under the connector's prompts; an optional one says so.
        await dsn.selectOption('Ledger Production');
        const filled = [];
        for (const label of ['Host', 'Port', 'Ledger (optional)', 'Username'])
          filled.push(await page.locator('#dialog').getByLabel(label, { exact: true }).inputValue());
        expectSame(filled, ['ledger.example', '7400', 'books', 'auditor'], 'the fields of the DSN');
        const missing = await page.locator('#driver-missing:visible').textContent();
        expect(missing.includes('Ledger ODBC'), `the driver message is ${JSON.stringify(missing)}`);
      },
    },
    {
      name: 'saved-connection',
      needsPostgres: true,
      async run(page) {
        // Saved after signing in; the page survives a reload; the saved dialog keeps the
        // password without showing it, and signs in again untouched.
        await openClass(page, url, 'PostgreSQL');
        await fillPostgres(page, postgres.port, PG_PASSWORD);
        await page.waitForURL(/f\.widget-attr-server=127\.0\.0\.1/);
        expect(!decodeURIComponent(page.url()).includes(PG_PASSWORD), 'the password is in the address');
        await page.getByRole('button', { name: 'Sign In' }).click();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        expect(await page.locator('#page').getByLabel('Name of the saved connection').isHidden(), 'the name is asked before Save as…');
        await page.getByRole('button', { name: 'Save as…' }).click();
        await page.locator('#page').getByLabel('Name of the saved connection').fill('Sales DB');
        await page.getByRole('button', { name: 'Save', exact: true }).click();
        await page.waitForFunction(() => document.getElementById('status').textContent === 'Saved as "Sales DB".');
        await page.reload();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        const summary = await page.locator('.summary dl').first().textContent();
        expect(summary.includes(`127.0.0.1:${postgres.port}`) && summary.includes('Saved as') && !/credential|password/i.test(summary),
               `the summary is ${JSON.stringify(summary)}`);
        await page.locator('#steps').getByRole('link', { name: 'Choose a connector' }).click();
        const saved = page.locator('#saved-connections li[data-name="Sales DB"]');
        await saved.getByRole('button', { name: 'Rename Sales DB' }).click();
        await page.getByLabel('New name for Sales DB').fill('Sales');
        await page.getByLabel('New name for Sales DB').press('Enter');
        await page.locator('#saved-connections li[data-name="Sales"] button.open').click();
        await page.locator('#dialog-title').waitFor();
        const password = page.locator('#dialog input[type="password"]');
        expectSame([await password.inputValue(), await page.getByLabel('Server', { exact: true }).inputValue(),
                    await page.getByText('A password is kept; type to replace it.').isVisible()], ['', '127.0.0.1', true], 'the saved dialog');
        await checkAccessibility(page, 'the saved dialog');
        await page.getByRole('button', { name: 'Sign In' }).click();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        // Deleting asks first.
        await page.goBack();
        await page.locator('#dialog-title').waitFor();
        await page.goBack();
        await page.locator('#saved-connections li[data-name="Sales"]').getByRole('button', { name: 'Delete Sales' }).click();
        await page.getByRole('button', { name: 'Delete Sales', exact: true }).last().click();
        await page.getByText('None yet').waitFor();
      },
    },
    {
      name: 'history',
      async run(page) {
        // Back, Forward and reload return to the same step with the same fields; the step bar leads back.
        const file = makeSqliteFile(folder, 'history.sqlite');
        await openClass(page, url, 'SQLite');
        await page.getByLabel('File', { exact: true }).fill(file);
        await page.waitForURL(/step=dialog&class=sqlite&f\.widget-attr-filename=%2F/);
        await page.reload();
        expectSame(await page.getByLabel('File', { exact: true }).inputValue(), file, 'the file after a reload');
        await page.getByRole('button', { name: 'Sign In' }).click();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        await page.goBack();
        expectSame(await page.getByLabel('File', { exact: true }).inputValue(), file, 'the file after Back');
        await page.goForward();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        await page.locator('#steps').getByRole('link', { name: 'Connection settings' }).click();
        await page.locator('#dialog-title').waitFor();
        await page.locator('#steps').getByRole('link', { name: 'Choose a connector' }).click();
        await page.getByLabel('Search connectors').waitFor();
        await page.goBack();
        expectSame(await page.getByLabel('File', { exact: true }).inputValue(), file, 'the file after Back from the gallery');
      },
    },
    {
      name: 'small-screen',
      async run(page) {
        // At 360 px no page is wider than the screen; the icon and a page without the token answer readably.
        await page.setViewportSize({ width: 360, height: 740 });
        const fits = async (what) => expect(await page.evaluate(() => document.documentElement.scrollWidth) <= 360, `${what} overflows`);
        await page.goto(url);
        await page.getByLabel('Search connectors').waitFor();
        await fits('the gallery');
        for (const label of ['Apache Hive', 'Other Databases (ODBC)']) {
          await page.goto(url);
          await page.getByRole('button', { name: label, exact: true }).click();
          await page.locator('#dialog-title').waitFor();
          await fits(`the ${label} dialog`);
        }
        await page.goto(url);
        await page.getByRole('button', { name: 'SQLite', exact: true }).click();
        await page.getByLabel('File', { exact: true }).fill(makeSqliteFile(folder, 'narrow.sqlite'));
        await page.getByRole('button', { name: 'Sign In' }).click();
        await page.locator('#page-title').waitFor({ timeout: STEP_TIMEOUT });
        await fits('the data source page');
        const base = new URL(url).origin;
        expectSame((await page.request.get(`${base}/favicon.ico`)).status(), 204, 'the icon');
        const refused = await page.request.get(`${base}/`, { headers: { Accept: 'text/html' } });
        expect(refused.status() === 403 && (await refused.text()).includes('<h1'), 'a page without the token is no HTML page');
      },
    },
    {
      name: 'variable-prompt',
      async run(page) {
        await page.goto(url);
        await page.getByRole('button', { name: 'Database variables…' }).click();
        await page.getByLabel('Description file', { exact: true }).selectOption(VARIABLES_FILE);
        await page.getByRole('button', { name: 'Show the variables' }).click();
        expectSame(await page.locator('#prompt-title').textContent(), 'SAP BW Variables', 'the title');
        // A row per variable: its name, a mark when it is required, its values with their tooltips.
        const rows = await page.locator('table.prompt tbody tr').evaluateAll((all) => all.map((row) => [
          row.querySelector('th').firstChild.textContent, row.querySelectorAll('abbr.required').length,
          [...row.querySelectorAll('.values li')].map((item) => [item.firstChild.textContent, item.title])]));
        expectSame(rows, [['Sales region (Orders)', 1, [['Europe', 'Europe (EU)'], ['<> LATAM', '<> LATAM']]],
                          ['ZFISCYEAR (Orders)', 0, [['2021 - 2024', '2021 - 2024']]],
                          ['Return reason (Returns)', 0, [['(no value)', '']]], ['Company code', 0, [['1000', '1000']]]], 'the rows');
        // A range edits both ends; a single value its operator, the second value or an item of the selection.
        const editor = page.locator('#value-editor');
        await page.getByRole('button', { name: 'Edit ZFISCYEAR (Orders)' }).click();
        expectSame([await editor.getByLabel('From', { exact: true }).inputValue(), await editor.getByLabel('To', { exact: true }).inputValue()],
                   ['2021', '2024'], 'the range');
        await page.getByRole('button', { name: 'Edit Sales region (Orders)' }).click();
        await page.locator('#selection-items').waitFor();
        const operator = editor.getByLabel('Operator', { exact: true });
        expectSame([await enabledOptions(operator), await operator.inputValue()], [['=', '<>'], '='], 'the operators');
        expectSame(await page.locator('#selection-items button').evaluateAll((buttons) => buttons.map((b) => b.dataset.value)),
                   ['EU', 'US', 'APAC'], 'the selection items');
        expect(await editor.getByLabel('To', { exact: true }).isHidden(), 'a single value shows a second one');
        const firstEditor = await editor.elementHandle();
        await editor.getByLabel('Values').selectOption('1');
        await firstEditor.waitForElementState('hidden');  // the prompt was built again
        expectSame(await operator.inputValue(), '<>', 'the operator of the second value');
        await page.locator('#selection-items button').last().click();
        expectSame(await editor.getByLabel('Value', { exact: true }).inputValue(), 'APAC', 'the chosen item');

        // A relation keeps only its variables.
        await page.getByLabel('Only the variables of the relation').fill('Returns');
        await page.getByRole('button', { name: 'Show the variables' }).click();
        await page.waitForFunction(() => document.querySelectorAll('table.prompt tbody tr').length === 1);
        await page.getByLabel('Only the variables of the relation').fill('');
        await page.getByRole('button', { name: 'Show the variables' }).click();
        await page.waitForFunction(() => document.querySelectorAll('table.prompt tbody tr').length > 1);
        await page.getByRole('button', { name: 'Edit Sales region (Orders)' }).click();
        await page.locator('#selection-items').waitFor();
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
  let mariadb = null;
  let serve = null;
  let browser = null;
  const responses = [];
  try {
    if (!skipPostgres) postgres = await startServer(args.pgserver, PG_PASSWORD);
    if (args.mariadbserver && process.env.HLV_SKIP_MARIADB !== '1') mariadb = await startServer(args.mariadbserver, MARIADB_PASSWORD);
    // The files of the file classes, and an odbc.ini whose data source is a SQLite file.
    mkdirSync(join(folder, 'texts'));
    writeFileSync(join(folder, 'texts', 'orders.csv'), 'id,customer,amount\n1,Ada,12.5\n2,Grace,\n');
    runLiveWriter('write_xlsx(sys.argv[2])', join(folder, 'book.xlsx'));
    const odbc = join(folder, 'odbc');
    mkdirSync(odbc);
    runLiveWriter('write_odbc(sys.argv[2], None, sys.argv[3])', odbc, makeSqliteFile(folder, 'dsn.sqlite'));
    // The SQLite file is named by its path, in the one folder the server is allowed to open files in.
    const serveArgs = ['--connectors', makeDsnConnector(folder), '--variables', VARIABLES_FILE, '--allow-files', folder];
    // A store of its own for the saved connections.
    serve = await startServe(args.hlvpres, serveArgs, `${CONNECTION_FIELDS_FLAG}=on`,
                             { HLV_STORE: join(folder, 'store.sqlite'), HLV_STORE_KEY_FILE: join(folder, 'store.key'),
                               ODBCSYSINI: odbc, ODBCINI: join(odbc, 'odbc.ini') });
    browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox'] });
    const context = await browser.newContext({ viewport: { width: 1280, height: 860 } });
    context.on('response', (response) => responses.push(response.body().catch(() => Buffer.alloc(0))));

    const only = args.only ? new Set(args.only.split(',')) : null;
    for (const scenario of scenarios({ url: serve.url, postgres, mariadb, folder, shots: { artifacts: args.artifacts, docs: args.docs } })) {
      if (only && !only.has(scenario.name)) continue;
      if (scenario.needsPostgres && !postgres) {
        console.log(`SKIP ${scenario.name} (HLV_SKIP_POSTGRES=1)`);
        continue;
      }
      if (scenario.needsMariadb && !mariadb) {
        console.log(`SKIP ${scenario.name} (no MariaDB test server)`);
        continue;
      }
      const page = await context.newPage();
      page.setDefaultTimeout(STEP_TIMEOUT);
      const started = Date.now();
      try {
        await scenario.run(page);
        await checkAccessibility(page, `the last page of ${scenario.name}`);
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
    if (mariadb) await mariadb.stop();
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
