// The connection dialogs in a browser: the gallery, the connection dialog of a class as its
// settings record describes it, the attributes it turns into, the data source page of the live
// connection, and the variable prompt of a variables description file. Every call carries the
// session token of the address.
'use strict';

const token = new URLSearchParams(location.search).get('token') || '';

// ---------------------------------------------------------------------------------------------
// Talking to the server

async function api(path, body, signal) {
  const options = { headers: { 'X-Hlv-Token': token }, cache: 'no-store', signal };
  if (body !== undefined) {
    options.method = 'POST';
    options.headers['Content-Type'] = 'application/json';
    options.body = typeof body === 'string' ? body : JSON.stringify(body);
  }
  const response = await fetch(path, options);
  let json;
  try {
    json = await response.json();
  } catch (unreadable) {
    throw new Error(`The server answered ${response.status} without JSON.`);
  }
  if (!response.ok) {
    const failure = new Error(json.error || `The server answered ${response.status}.`);
    failure.details = json.details;  // the database's own words, when they hold no secret
    failure.reason = json.reason;    // what failed: authentication, refused, database-missing...
    failure.field = json.field;      // for a missing file, the field or attribute that names it
    throw failure;
  }
  return json;
}

// The one record of a written bag ({"record-name": {...}}).
function record(bag) {
  return Object.values(bag)[0];
}

const on = (value) => value === 'true';

// ---------------------------------------------------------------------------------------------
// Page helpers

function element(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (value === undefined || value === null || value === false) continue;
    if (name === 'text') node.textContent = value;
    else if (name.startsWith('on')) node.addEventListener(name.slice(2), value);
    else node.setAttribute(name, value === true ? '' : value);
  }
  for (const child of children) if (child) node.append(child);
  return node;
}

let nextId = 0;
const newId = (stem) => `${stem}-${++nextId}`;

function status(text) {
  document.getElementById('status').textContent = text;
}

// The database's own words under a disclosure.
function detailsBox(details) {
  return element('details', { class: 'details' }, element('summary', { text: 'Details' }),
                 element('p', { text: `The database said: ${details}` }));
}

// Shows `message`, and under it the database's own `details` when there are some.
function showError(message, details) {
  const box = document.getElementById('error');
  box.replaceChildren(message);
  if (details) box.append(detailsBox(details));
  box.hidden = !message;
}

function showStep(step) {
  for (const id of ['gallery', 'dialog', 'page', 'variables']) document.getElementById(id).hidden = id !== step;
  for (const item of document.querySelectorAll('#steps li'))
    item.toggleAttribute('aria-current', item.dataset.step === step) && item.setAttribute('aria-current', 'step');
}

// A labelled text input; returns the wrapper and the input.
function textField(label, value, { optional = false, type = 'text', name, hint } = {}) {
  const id = newId('field');
  const input = element('input', { id, type, name, value: value || '', autocomplete: type === 'password' ? 'off' : undefined,
                                   'aria-describedby': hint ? `${id}-hint` : undefined });
  input.required = !optional;
  const wrapper = element('div', {},
    element('label', { for: id }, label, optional ? element('span', { class: 'optional', text: ' (optional)' }) : null),
    input,
    hint ? element('div', { id: `${id}-hint`, class: 'info', text: hint }) : null);
  return { wrapper, input };
}

// A labelled file input: the file chosen is read in the page and its content sent, for the
// server opens no file named by its path. `kept` is the value sent when no file is chosen (such
// as the label of a certificate the connection already holds).
function fileField(label, kept, { optional = true, hint } = {}) {
  const id = newId('field');
  const input = element('input', { id, type: 'file', 'aria-describedby': hint ? `${id}-hint` : undefined });
  input.required = !optional && !kept;
  input.dataset.kept = kept || '';
  const wrapper = element('div', {},
    element('label', { for: id }, label, optional ? element('span', { class: 'optional', text: ' (optional)' }) : null),
    input,
    hint ? element('div', { id: `${id}-hint`, class: 'info', text: hint }) : null);
  return { wrapper, input };
}

// The value a field sends: a file input's chosen file as a data URL, else what it holds.
function fieldValue(input) {
  if (input.type === 'checkbox') return Promise.resolve(String(input.checked));
  if (input.type !== 'file') return Promise.resolve(input.value);
  const file = input.files && input.files[0];
  if (!file) return Promise.resolve(input.dataset.kept || '');
  return new Promise((resolve, reject) => {
    const reader = new FileReader();
    reader.onload = () => resolve(reader.result);
    reader.onerror = () => reject(new Error(`The file ${file.name} cannot be read.`));
    reader.readAsDataURL(file);
  });
}

function checkField(label, checked) {
  const id = newId('check');
  const input = element('input', { id, type: 'checkbox' });
  input.checked = checked;
  return { wrapper: element('label', { class: 'check', for: id }, input, label), input };
}

function selectField(label, choices, selected) {
  const id = newId('select');
  const select = element('select', { id });
  for (const { value, text } of choices) select.append(element('option', { value, text }));
  if (selected !== undefined) select.value = selected;
  return { wrapper: element('div', {}, element('label', { for: id, text: label }), select), input: select };
}

// ---------------------------------------------------------------------------------------------
// The gallery

let fileClasses = new Set();
let navigations = 0;  // counts the steps asked for: a step whose answer comes late is not drawn
let galleryGroups = null;

// The gallery's groups, asked once: they name the file classes and every connector.
async function galleryData() {
  if (!galleryGroups) {
    const groups = await Promise.all(['file', 'server'].map((group) => api(`/api/gallery?group=${group}`)));
    galleryGroups = groups.map(record);
    fileClasses = new Set(galleryGroups[0]['connection-types'].map((type) => type['value-class-attr']));
    for (const group of galleryGroups)
      for (const type of group['connection-types']) classLabels.set(type['value-class-attr'], type.label);
  }
  return galleryGroups;
}

async function showGallery() {
  showError('');
  status('Loading the connectors…');
  const ticket = ++navigations;
  const groups = await galleryData();
  if (ticket !== navigations) return;
  const container = document.getElementById('gallery-groups');
  container.replaceChildren();
  for (const group of groups) {
    const titleId = newId('group');
    const list = element('ul', { class: 'connectors', 'aria-labelledby': titleId });
    for (const type of group['connection-types']) {
      const disabled = !on(type['is-enabled']) || on(type['is-disabled-data-connection']);
      const button = element('button', { type: 'button', disabled, 'data-class': type['value-class-attr'],
                                         onclick: () => (type['connection-type-category'] === 'more' ? showEveryConnector()
                                                                                                      : openDialog(type['value-class-attr'])) },
        type.label,
        on(type['is-disabled-data-connection']) ? element('span', { class: 'note', text: 'Disabled by the administrator' }) : null);
      list.append(element('li', { 'data-search': type.label.toLowerCase() }, button));
    }
    container.append(element('div', { class: 'group' }, element('h3', { id: titleId, text: group.label }), list));
  }
  container.append(element('p', { class: 'info', id: 'gallery-none', hidden: true, text: 'No connector matches.' }));
  filterGallery();
  showStep('gallery');
  arrive({ step: 'gallery' });
  status('');
  document.getElementById('gallery-search').focus();
  await renderSaved();
}

// "More…" is no connection of its own: it shows every connector, the search cleared.
function showEveryConnector() {
  const search = document.getElementById('gallery-search');
  search.value = '';
  filterGallery();
  status('Every connector is listed: type in the search box to find one.');
  search.focus();
}

// Keeps the connectors the search matches, and the groups that keep one.
function filterGallery() {
  const term = document.getElementById('gallery-search').value.trim().toLowerCase();
  let shown = 0;
  for (const group of document.querySelectorAll('#gallery-groups .group')) {
    let kept = 0;
    for (const item of group.querySelectorAll('li')) {
      item.hidden = term !== '' && !item.dataset.search.includes(term);
      if (!item.hidden) kept++;
    }
    group.hidden = !kept;
    shown += kept;
  }
  const none = document.getElementById('gallery-none');
  if (none) none.hidden = shown > 0;
}

// ---------------------------------------------------------------------------------------------
// The connection dialog

const AUTH_LABELS = {
  'auth-option-explicit': 'Username and password',
  'auth-option-explicit-unindented': 'Username and password',
  'auth-option-use-windows': 'Windows authentication',
  'auth-option-windows-preferred': 'Windows authentication (preferred)',
  'auth-option-teradata': 'Teradata database',
  'auth-option-ldap': 'LDAP',
  'auth-option-virtual-node': 'Virtual node',
  'auth-option-none': 'No authentication',
  'auth-option-kerberos': 'Kerberos',
  'auth-option-integrated': 'Integrated authentication',
  'auth-option-username': 'Username',
  'auth-option-username-and-password': 'Username and password',
  'auth-hdi-service': 'HDInsight service',
  'auth-option-access-no': 'No workgroup security',
  'auth-option-access-yes': 'Workgroup security (MDW file)',
  'auth-oauth': 'Sign in with OAuth',
  'auth-forms': 'Forms',
  'auth-third-party-SSO': 'Third-party single sign-on',
  'auth-option-saml-idp': 'SAML identity provider',
  'auth-option-ad-username-and-password': 'Active Directory username and password',
  'auth-option-password': 'Password',
};
// The options that ask for a user name, and those that ask for a password.
const AUTH_USER = new Set(['auth-option-explicit', 'auth-option-explicit-unindented', 'auth-option-teradata',
  'auth-option-ldap', 'auth-option-username', 'auth-option-username-and-password', 'auth-hdi-service',
  'auth-option-saml-idp', 'auth-option-ad-username-and-password', 'auth-option-kerberos']);
const AUTH_PASSWORD = new Set(['auth-option-explicit', 'auth-option-explicit-unindented', 'auth-option-teradata',
  'auth-option-ldap', 'auth-option-username-and-password', 'auth-hdi-service', 'auth-option-saml-idp',
  'auth-option-ad-username-and-password', 'auth-option-password']);
// The modes in which the user picks one of the options; the others have fixed fields.
const AUTH_CHOOSING = new Set(['auth-mode-radio', 'auth-mode-radio-unindented', 'auth-mode-combobox',
  'auth-mode-combobox-integrated', 'auth-mode-hive', 'auth-mode-sharepoint', 'auth-mode-sapbw', 'auth-mode-switch-modal']);
// Connector attributes a user may write a password into: kept out of the address.
const CONNECTION_STRINGS = new Set(['jdbcurl', 'jdbcproperties', 'odbc-connect-string-extras']);
// Fields of a modular dialog whose values are secrets.
const MODULAR_SECRETS = new Set(['password', 'priv-key-file-pwd', 'client-secret', 'ssl-client-key']);

// How the modular dialog and the fixed fields of the settings record relate. The record carries
// a modular dialog description only while the connection fields model is on, and then the server
// builds the connection from the record's connector attributes, by the class's connection fields,
// leaving the fixed widget fields aside. So the description alone draws every attribute it lays
// out, and each fixed part of the record whose attribute it lays out is not drawn a second time:
// the part's show flag then only lends the description's field the record's prompt and optional
// mark (server, port, service, database, warehouse, vendor fields). Fixed parts whose attributes
// the description leaves out are drawn as in a dialog without one.
//
// The connector attributes each fixed part of the record edits.
const FIXED_PART_ATTRIBUTES = {
  file: ['filename'],
  connection: ['connection-type'],
  dsn: ['odbc-dsn'],
  driver: ['odbc-driver'],
  server: ['server'],
  port: ['port'],
  service: ['service'],
  instanceUrl: ['instanceurl'],
  database: ['dbname'],
  warehouse: ['warehouse'],
  vendor1: ['vendor1'],
  vendor2: ['vendor2'],
  vendor3: ['vendor3'],
  transport: ['transport-type', 'http-path'],
  authentication: ['authentication', 'username', 'password'],
  readUncommitted: ['IsolationLevel'],
  encryption: ['encryptionMode'],
  ssl: ['sslmode'],
  importCertificate: ['sslfile', 'sslcert'],
  clientCertificate: ['ssl-client-cert-file', 'ssl-client-key-file'],
};
// The fixed prompts of the record, by the connector attribute they ask for: [show, prompt, optional].
const FIXED_PROMPTS = {
  server: ['show-server-prompt', 'server-name-prompt', null],
  port: ['show-port-prompt', 'port-prompt', null],
  service: ['show-service-prompt', 'service-prompt', 'service-name-optional'],
  dbname: ['show-db-prompt', 'db-name-prompt', 'database-name-optional'],
  warehouse: ['show-dbwh-prompt', 'db-warehouse-name-prompt', 'database-warehouse-optional'],
  vendor1: ['show-vendor1-prompt', 'vendor1-name-prompt', 'vendor1-name-optional'],
  vendor2: ['show-vendor2-prompt', 'vendor2-name-prompt', 'vendor2-name-optional'],
  vendor3: ['show-vendor3-prompt', 'vendor3-name-prompt', 'vendor3-name-optional'],
};
// Words of attribute names that read differently in a label.
const LABEL_WORDS = { dbname: 'database', priv: 'private', pwd: 'password', odbc: 'ODBC', ssl: 'SSL', saml: 'SAML',
                      idp: 'IdP', url: 'URL', http: 'HTTP', https: 'HTTPS', id: 'ID', jdbc: 'JDBC', oauth: 'OAuth',
                      sslfile: 'SSL file', sslcert: 'SSL certificate', instanceurl: 'instance URL' };

// A label for an attribute name the modular description gives no label for: "priv-key-file-pwd"
// reads "Private key file password".
function readableLabel(name) {
  const text = name.split(/[-_]+/).filter(Boolean).map((word) => LABEL_WORDS[word.toLowerCase()] || word).join(' ');
  return text.charAt(0).toUpperCase() + text.slice(1);
}

// The parsed modular dialog description of a settings record: null when it has none, a string
// (the notice to show) when its text cannot be read.
function modularDescription(settings) {
  const text = settings['modular-connection-settings'] && settings['modular-connection-settings']['connection-dialog-json'];
  if (!text) return null;
  try {
    const description = JSON.parse(text);
    if (description && typeof description === 'object' && !Array.isArray(description)) return description;
  } catch (unreadable) {
    // told below
  }
  return 'The connector describes its dialog in text that cannot be read.';
}

// The connector attributes a modular description lays out, with those its files import into.
function laidOutAttributes(description) {
  const names = new Set();
  if (!description || typeof description === 'string') return names;
  for (const section of description.sections || []) for (const field of section.fields || []) names.add(field);
  for (const [field, file] of Object.entries(description.files || {}))
    if (names.has(field) && file['imports-into']) names.add(file['imports-into']);
  return names;
}

let dialog = null;  // what the open dialog is made of: its record and its inputs

// Opens the dialog of a class, or with `saved` that of a saved connection as an existing one;
// `fields` (from the address) fill it in.
async function openDialog(connectionClass, { saved, fields } = {}) {
  showError('');
  status(`Opening the ${saved || connectionClass} dialog…`);
  const ticket = ++navigations;
  let settings;
  let drivers = [];
  try {
    settings = record(await api(saved ? `/api/dialog?saved=${encodeURIComponent(saved)}`
                                      : `/api/dialog?class=${encodeURIComponent(connectionClass)}`));
    applyFields(settings, fields);
    // A dialog that offers a driver choice offers the drivers installed on the server's machine.
    if (on(settings['show-driver-config'])) drivers = (await api('/api/odbc-drivers')).drivers;
  } catch (failure) {
    status('');
    showError(failure.message, failure.details);
    return;
  }
  if (ticket !== navigations) return;  // the user went elsewhere meanwhile
  // The gallery's "More…" entry has no dialog: an address naming it leads to the gallery.
  if (settings['connect-server-widget-type'] === 'invalid') {
    status('');
    return showGallery();
  }
  renderDialog(connectionClass, settings, drivers, saved);
  status('');
}

function renderDialog(connectionClass, settings, drivers = [], saved = undefined) {
  const params = settings['widget-connection-params'] || {};
  const section = document.getElementById('dialog');
  const form = element('form', { novalidate: true, 'aria-labelledby': 'dialog-title' });
  const inputs = {};   // connection params field -> input
  const modular = {};  // connector attribute -> input
  const toggles = [];  // functions that show or hide parts when a choice changes
  dialog = { connectionClass, settings, inputs, modular, cube: null, saved };
  const description = modularDescription(settings);
  const laidOut = laidOutAttributes(description);
  const drawn = (part) => !FIXED_PART_ATTRIBUTES[part].some((attribute) => laidOut.has(attribute));

  section.replaceChildren(element('h2', { id: 'dialog-title', text: settings['connection-caption'] || settings['ds-class-caption'] }));
  if (settings['connection-config-name'])
    section.append(element('p', { class: 'info', text: settings['connection-config-name'] }));

  // The driver: missing for the class, or for the chosen connection type.
  const driverBox = element('p', { class: 'notice', role: 'note', id: 'driver-missing' });
  form.append(driverBox);
  const updateDriver = () => {
    let text = on(settings['is-driver-installed']) ? '' : settings['driver-missing-info'];
    const type = inputs['widget-attr-connectiontype'] ? inputs['widget-attr-connectiontype'].value : params['widget-attr-connectiontype'];
    for (const mapping of settings['conn-type-to-driver-info-mappings'] || [])
      if (mapping['widget-attr-connectiontype'] === type)
        text = on(mapping['is-driver-installed']) ? '' : mapping['driver-missing-info'];
    driverBox.textContent = text || '';
    driverBox.hidden = !text;
  };
  toggles.push(updateDriver);

  renderModular(form, settings, description, params, modular, toggles);

  const add = (field, label, options = {}) => {
    const made = textField(label, params[field], options);
    inputs[field] = made.input;
    form.append(made.wrapper);
    return made;
  };

  if (fileClasses.has(connectionClass) && drawn('file'))
    add('widget-attr-filename', 'File', { hint: 'The full path of the file on this machine.' });

  // Connection options (such as direct or through a quorum) change the server prompt and what is shown.
  const options = drawn('connection') ? settings['connection-settings-options'] || [] : [];
  let server = null;
  let port = null;
  let service = null;
  if (options.length) {
    const made = selectField('Connection', options.map((o) => ({ value: o['widget-attr-connectiontype'], text: o['connection-option-name'] })),
                             params['widget-attr-connectiontype'] || options[0]['widget-attr-connectiontype']);
    inputs['widget-attr-connectiontype'] = made.input;
    form.append(made.wrapper);
  }
  const chosenOption = () => options.find((o) => inputs['widget-attr-connectiontype'] &&
                                                 o['widget-attr-connectiontype'] === inputs['widget-attr-connectiontype'].value);

  // DSN choices bring their values. A dialog with a driver choice connects by a DSN or, with
  // none chosen, by a driver and the fields below.
  const byDriver = on(settings['show-driver-config']) && drawn('driver');
  const dsns = drawn('dsn') ? settings['dsn-settings-options'] || [] : [];
  if (dsns.length) {
    const none = byDriver ? '(none — use a driver)' : '—';
    const made = selectField('Data source name (DSN)', [{ value: '', text: none }].concat(dsns.map((d) => ({ value: d['dsn-name'], text: d['dsn-name'] }))),
                             params['widget-attr-dsn']);
    inputs['widget-attr-dsn'] = made.input;
    form.append(made.wrapper);
    made.input.addEventListener('change', () => {
      const dsn = dsns.find((d) => d['dsn-name'] === made.input.value);
      if (!dsn) return;
      const fill = { 'widget-attr-driver': 'dsn-driver', 'widget-attr-server': 'dsn-server', 'widget-attr-port': 'dsn-port',
                     'widget-attr-db': 'dsn-database', 'widget-attr-user': 'dsn-username', 'widget-attr-password': 'dsn-password' };
      for (const [field, source] of Object.entries(fill)) if (inputs[field] && dsn[source]) inputs[field].value = dsn[source];
    });
  }
  if (byDriver) renderDriver(form, params, inputs, toggles, drivers);

  // Through ODBC, a data source holds its server and a file database's driver takes none.
  if (on(settings['show-server-prompt']) && drawn('server'))
    server = add('widget-attr-server', settings['server-name-prompt'] || 'Server', { optional: byDriver });
  if (on(settings['show-port-prompt']) && drawn('port')) port = add('widget-attr-port', settings['port-prompt'] || 'Port', { optional: byDriver });
  if (on(settings['show-service-prompt']) && drawn('service'))
    service = add('widget-attr-service', settings['service-prompt'] || 'Service', { optional: on(settings['service-name-optional']) });
  if (on(settings['show-instance-url-prompt']) && drawn('instanceUrl')) add('widget-attr-instance-url', 'Instance URL');
  if (options.length) {
    toggles.push(() => {
      const option = chosenOption();
      if (!option) return;
      if (server) server.wrapper.querySelector('label').firstChild.textContent = option['server-name-prompt'] || 'Server';
      if (port) port.wrapper.hidden = !on(option['show-port-prompt']);
      if (service) service.wrapper.hidden = !on(option['show-service-prompt']);
    });
  }
  if (on(settings['show-db-prompt']) && drawn('database'))
    add('widget-attr-db', settings['db-name-prompt'] || 'Database', { optional: on(settings['database-name-optional']) });
  if (on(settings['show-dbwh-prompt']) && drawn('warehouse'))
    add('widget-attr-dbwh', settings['db-warehouse-name-prompt'] || 'Warehouse', { optional: on(settings['database-warehouse-optional']) });
  for (const n of [1, 2, 3])
    if (on(settings[`show-vendor${n}-prompt`]) && drawn(`vendor${n}`))
      add(`widget-attr-vendor${n}`, settings[`vendor${n}-name-prompt`] || `Vendor ${n}`, { optional: on(settings[`vendor${n}-name-optional`]) });
  renderConnectionStrings(form, settings, params, inputs, laidOut);

  // Transport types, each with its HTTP path prompt and its authentication options per connection type.
  const transports = drawn('transport') ? settings['transport-type-configs'] || [] : [];
  let httpPath = null;
  if (transports.length) {
    const made = selectField('Transport', transports.map((t) => ({ value: t['transport-type'], text: t['transport-type-name'] })),
                             params['transport-type'] || transports[0]['transport-type']);
    inputs['transport-type'] = made.input;
    form.append(made.wrapper);
    httpPath = add('widget-attr-http-path', 'HTTP path', { optional: true });
    toggles.push(() => {
      const transport = transports.find((t) => t['transport-type'] === made.input.value);
      httpPath.wrapper.hidden = !transport || !on(transport['show-http-path']);
    });
  }

  // A cube connection says what it connects to before how it signs in.
  renderCube(form, settings);
  if (drawn('authentication')) renderAuthentication(form, settings, params, inputs, toggles, transports);
  renderSsl(form, settings, params, inputs, drawn);

  if (on(settings['show-vendor-support-info']) && settings['vendor-support-info'])
    form.append(element('p', { class: 'info', text: settings['vendor-support-info'] }));

  form.append(element('div', { class: 'actions' },
    element('button', { type: 'submit', class: 'primary connects', text: 'Sign In' }),
    element('button', { type: 'button', class: 'connects', text: 'Test connection', onclick: () => submitDialog(form, true) }),
    ...dialogSaveControls(form),
    element('button', { type: 'button', text: 'Back to the connectors', onclick: () => showGallery() })));
  form.addEventListener('submit', (event) => { event.preventDefault(); submitDialog(form); });
  form.addEventListener('change', () => toggles.forEach((toggle) => toggle()));
  toggles.forEach((toggle) => toggle());
  section.append(form);
  markKeptSecrets();
  showStep('dialog');
  dialogArrived(form);
  const first = form.querySelector('input:not([type="checkbox"]), select');
  if (first) first.focus();
}

// The installed ODBC drivers to connect by, shown while no DSN is chosen and then required.
function renderDriver(form, params, inputs, toggles, drivers) {
  const id = newId('select');
  const hint = `${id}-hint`;
  const select = element('select', { id, 'aria-describedby': hint }, element('option', { value: '', text: 'Choose a driver' }));
  for (const name of drivers) select.append(element('option', { value: name, text: name }));
  if (drivers.includes(params['widget-attr-driver'])) select.value = params['widget-attr-driver'];
  select.disabled = !drivers.length;
  const wrapper = element('div', {}, element('label', { for: id, text: 'Driver' }), select,
    element('div', { id: hint, class: 'info', text: drivers.length
      ? 'An ODBC driver installed on the server. A file database\'s driver (such as SQLite) takes the file\'s full path as the database.'
      : 'No ODBC driver is installed on the server.' }));
  inputs['widget-attr-driver'] = select;
  form.append(wrapper);
  toggles.push(() => {
    const dsn = inputs['widget-attr-dsn'];
    wrapper.hidden = !!(dsn && dsn.value);
    select.required = !wrapper.hidden;
  });
}

// The fields a dialog kind names its connection by beyond the server fields: the JDBC URL and
// driver properties, the ODBC connection string extras, a web data connector's URL. The JDBC and
// ODBC strings may hold a password: they are never put in the address.
const WEB_DATA_CLASSES = new Set(['webdata']);  // the record names no web data connector kind
const WDC_URL_ATTRIBUTE = 'wdc-url';  // the connector attribute of a web data connector's URL
function renderConnectionStrings(form, settings, params, inputs, laidOut) {
  const kind = settings['connect-server-widget-type'];
  const put = (field, made, secret) => {
    inputs[field] = made.input;
    if (secret) made.input.dataset.secret = 'true';
    form.append(made.wrapper);
  };
  if (kind === 'jdbc') {
    put('widget-attr-jdbcurl', textField('JDBC URL', params['widget-attr-jdbcurl'],
      { hint: 'The driver\'s connection URL, such as jdbc:postgresql://db.example.com:5432/sales.' }), true);
    put('widget-attr-jdbcproperties', textField('Driver properties', params['widget-attr-jdbcproperties'],
      { optional: true, hint: 'Properties handed to the driver, as name=value separated by semicolons.' }), true);
  }
  if ((kind === 'odbc' || on(settings['show-driver-config'])) && !laidOut.has('odbc-connect-string-extras'))
    put('widget-attr-odbc-string-extras', textField('Connection string extras', params['widget-attr-odbc-string-extras'],
      { optional: true, hint: 'Added to the ODBC connection string as they are, such as NoCreat=1;ReadOnly=1.' }), true);
  if (WEB_DATA_CLASSES.has(settings['ds-class']))
    put('attr-connection-url', textField('Web data connector URL', params['attr-connection-url'] || (params['wdc-attrs'] || {})[WDC_URL_ATTRIBUTE],
      { type: 'url', hint: 'The address of the web data connector\'s page, such as https://example.com/connector.html.' }), false);
}

// The sign-in step of an OAuth option: it happens on the provider's own page, which this machine
// cannot reach, so the step says so instead of showing an empty box. The provider is named as
// the OAuth settings' credential type of the class names it (its sign-in configurations, such
// as "Snowflake OAuth or Okta"), else by the class's caption.
let oauthSettings = null;  // the promise of the OAuth settings record, asked once
function oauthNote(caption, others) {
  const say = (provider) => `Signing in with OAuth opens the sign-in page of ${provider} on the internet, so it needs network access, ` +
    `which this machine does not have: the sign-in cannot be completed here.${others ? ' Choose another way to sign in.' : ''}`;
  const note = element('p', { class: 'notice oauth-note', role: 'note', text: say(caption) });
  const connectionClass = dialog && dialog.connectionClass;
  if (!oauthSettings) oauthSettings = api('/api/oauth-settings').then(record).catch(() => ({}));
  oauthSettings.then((settings) => {
    const type = (settings['oauth-credential-type-infos'] || []).find((t) => t['class-name-for-cleaning'] === connectionClass);
    if (!type) return;
    const configs = (type['oauth-config-infos'] || []).map((c) => c['config-label']).filter(Boolean);
    const names = type['display-name-map'] || {};
    const provider = configs.length ? configs.join(' or ') : names[document.documentElement.lang] || names.en;
    if (provider) note.textContent = say(provider);
  });
  return note;
}

function renderAuthentication(form, settings, params, inputs, toggles, transports) {
  const auth = settings['auth-info'];
  if (!auth || auth['auth-mode'] === 'auth-mode-none') return;
  const mode = auth['auth-mode'];
  const fieldset = element('fieldset', {}, element('legend', { text: 'Authentication' }));
  if (auth['authentication-prompt']) fieldset.append(element('p', { class: 'info', text: auth['authentication-prompt'] }));
  const allOptions = auth['auth-options'] || [];
  let choice = null;
  if (AUTH_CHOOSING.has(mode) && allOptions.length) {
    // The fieldset's legend already says "Authentication".
    const made = selectField('Sign in with', allOptions.map((o) => ({ value: o, text: AUTH_LABELS[o] || o })),
                             allOptions.includes(params['curr-auth-option']) ? params['curr-auth-option'] : allOptions[0]);
    choice = made.input;
    inputs['curr-auth-option'] = choice;
    fieldset.append(made.wrapper);
  }
  // A mode that leaves the fields unchecked says they are optional.
  const basicOptional = mode === 'auth-mode-basic-no-validate-fields';
  const user = textField('Username', params['widget-attr-user'], { optional: basicOptional });
  const password = textField('Password', '', { type: 'password', optional: basicOptional });
  inputs['widget-attr-user'] = user.input;
  inputs['widget-attr-password'] = password.input;
  const caption = settings['connection-caption'] || settings['ds-class-caption'];
  const oauth = oauthNote(caption, allOptions.some((o) => o !== 'auth-oauth'));
  fieldset.append(user.wrapper, password.wrapper, oauth);
  const workgroup = renderWorkgroup(fieldset, settings, params, inputs);
  const fixedUser = mode !== 'auth-mode-password-only' && mode !== 'auth-mode-oauth-only';
  const fixedPassword = !['auth-mode-basic-username-only', 'auth-mode-oauth-only'].includes(mode);
  toggles.push(() => {
    if (choice) {
      // Under a transport, only the options its mapping allows for the connection type.
      const transport = transports.find((t) => inputs['transport-type'] && t['transport-type'] === inputs['transport-type'].value);
      if (transport) {
        const type = inputs['widget-attr-connectiontype'] ? inputs['widget-attr-connectiontype'].value : '';
        const mapping = (transport['conn-type-to-auth-option-mappings'] || []).find((m) => m['widget-attr-connectiontype'] === type);
        const allowed = mapping ? new Set(mapping['auth-options']) : null;
        for (const option of choice.options) option.hidden = option.disabled = !!allowed && !allowed.has(option.value);
        if (choice.selectedOptions[0] && choice.selectedOptions[0].disabled) {
          const first = [...choice.options].find((o) => !o.disabled);
          if (first) choice.value = first.value;
        }
      }
      user.wrapper.hidden = !AUTH_USER.has(choice.value);
      password.wrapper.hidden = !AUTH_PASSWORD.has(choice.value);
    } else {
      user.wrapper.hidden = !fixedUser;
      password.wrapper.hidden = !fixedPassword;
    }
    user.input.required = !user.wrapper.hidden && !basicOptional;
    // A password the saved connection keeps need not be typed again.
    password.input.required = !password.wrapper.hidden && !basicOptional && !password.input.dataset.keptSecret;
    const signsInWithOAuth = choice ? choice.value === 'auth-oauth' : allOptions.length > 0 && allOptions.every((o) => o === 'auth-oauth');
    oauth.hidden = !signsInWithOAuth;
    if (workgroup) workgroup(choice && choice.value === 'auth-option-access-yes');
    // Nothing to sign in with: Sign In and Test connection wait for another option.
    for (const button of form.querySelectorAll('button.connects')) button.disabled = signsInWithOAuth;
  });
  form.append(fieldset);
}

// An Access database's workgroup security: the workgroup (MDW) file, its user and password,
// drawn when the record is Access's and offers the option; returns the function that shows (and
// requires) them, or null.
function renderWorkgroup(fieldset, settings, params, inputs) {
  const options = (settings['auth-info'] || {})['auth-options'] || [];
  if (settings['connect-server-widget-type'] !== 'access' || !options.includes('auth-option-access-yes')) return null;
  const file = fileField('Workgroup file (MDW)', params['widget-attr-mdw-path'], { optional: false, hint: 'The file is read here and its content sent.' });
  const user = textField('Workgroup user', params['widget-attr-mdw-username']);
  const password = textField('Workgroup password', '', { type: 'password', optional: true });
  inputs['widget-attr-mdw-path'] = file.input;
  inputs['widget-attr-mdw-username'] = user.input;
  inputs['widget-attr-mdw-password'] = password.input;
  fieldset.append(file.wrapper, user.wrapper, password.wrapper);
  return (shown) => {
    for (const made of [file, user, password]) made.wrapper.hidden = !shown;
    file.input.required = shown && !file.input.dataset.kept;
    user.input.required = shown;
  };
}

function renderCube(form, settings) {
  const cube = settings['cube-connection-specification'];
  if (!cube) return;
  const fieldset = element('fieldset', {}, element('legend', { text: cube['connection-specification-title'] || 'Connect to' }));
  const radios = on(cube['uses-radio-button']);
  const group = newId('cube');
  const entries = [];
  (cube['cube-connection-specification-options'] || []).forEach((option, index) => {
    const id = newId('cube-option');
    let input;
    if (option['connection-specification-type'] === 'combo-box') {
      input = element('select', { id, 'aria-label': option['prompt-text'] });
      for (const text of option['possible-choices'] || []) input.append(element('option', { value: text, text }));
      input.selectedIndex = Number(option['selected-option-index']) || 0;
    } else {
      input = element('input', { id, type: 'text', value: option['current-text'] || '', 'aria-label': option['prompt-text'] });
    }
    const row = element('div', {});
    let radio = null;
    if (radios) {
      radio = element('input', { type: 'radio', name: group, id: `${id}-choice`, value: String(index) });
      radio.checked = index === Number(cube['selected-option-index']);
      row.append(element('label', { class: 'check', for: `${id}-choice` }, radio, option['prompt-text']));
    } else {
      row.append(element('label', { for: id, text: option['prompt-text'] }));
    }
    row.append(input);
    // A single option is the one way to connect: its value is required (Essbase's server).
    if (!radios && option['connection-specification-type'] !== 'combo-box') input.required = true;
    if (on(option['show-browse-button']))
      row.append(element('div', { class: 'info', text: 'The full path of the file on this machine.' }));
    fieldset.append(row);
    entries.push({ option, input, radio });
  });
  dialog.cube = entries;
  // With a choice, only the chosen option's field is enabled and required: a local cube file
  // leaves the server aside.
  if (radios) {
    const update = () => {
      for (const { option, input, radio } of entries) {
        input.disabled = !radio.checked;
        input.required = radio.checked && option['connection-specification-type'] !== 'combo-box';
      }
    };
    fieldset.addEventListener('change', update);
    update();
  }
  form.append(fieldset);
}

// The sections of a modular dialog description: each field edits the connector attribute of its
// name. Its label is the one the description gives (a file's label, as the choices of a field
// come with theirs), else the record's prompt for that attribute, else one made from the name.
function renderModular(form, settings, description, params, modular, toggles) {
  if (!description) return;
  if (typeof description === 'string') {
    form.append(element('p', { class: 'notice', text: description }));
    return;
  }
  const values = params['connector-attrs'] || {};
  const files = description.files || {};
  const fixedPrompt = (field) => {
    const [show, prompt, optional] = FIXED_PROMPTS[field] || [];
    if (!show || !on(settings[show]) || !settings[prompt]) return null;
    return { label: settings[prompt], optional: optional ? on(settings[optional]) : false };
  };
  const auth = settings['auth-info'] || {};
  const conditions = description.when || {};
  const conditioned = [];
  for (const section of description.sections || []) {
    const fieldset = element('fieldset', { class: 'modular' }, element('legend', { text: section.name }));
    const fields = section.fields || [];
    // The sign-in section stands in for the fixed authentication part, and so says its prompt.
    if (fields.includes('authentication') && auth['authentication-prompt'])
      fieldset.append(element('p', { class: 'info', text: auth['authentication-prompt'] }));
    for (const field of fields) {
      const choices = (section.choices || {})[field];
      const fixed = fixedPrompt(field);
      const label = (files[field] && files[field].label) || (fixed && fixed.label) || readableLabel(field);
      let made;
      if (choices) {
        made = selectField(label, choices.map((c) => ({ value: c.value, text: c.label || readableLabel(c.value) })), values[field]);
      } else if (files[field]) {
        made = fileField(label, values[field], { optional: !conditions[field] || OPTIONAL_WHEN_SHOWN.has(field),
                                                 hint: 'The file is read here and its content sent.' });
      } else {
        const secret = MODULAR_SECRETS.has(field);
        const optional = conditions[field] ? OPTIONAL_WHEN_SHOWN.has(field) : fixed ? fixed.optional : true;
        made = textField(label, secret ? '' : values[field], { optional, type: secret ? 'password' : 'text' });
      }
      made.input.dataset.attribute = field;
      if (CONNECTION_STRINGS.has(field)) made.input.dataset.secret = 'true';
      modular[field] = made.input;
      fieldset.append(made.wrapper);
      if (conditions[field]) conditioned.push({ field, made });
      // A sign-in choice of OAuth says what that sign-in needs, and leaves nothing to send.
      if (choices && field === 'authentication') {
        const note = oauthNote(settings['connection-caption'] || settings['ds-class-caption'], choices.length > 1);
        const select = made.input;
        toggles.push(() => {
          const oauth = /oauth/i.test(select.value);
          note.hidden = !oauth;
          for (const button of form.querySelectorAll('button.connects')) button.disabled = oauth;
        });
        fieldset.append(note);
      }
    }
    form.append(fieldset);
  }
  // A field the connector's fields list gives conditions for is shown, and then required, only
  // while each attribute named holds one of its values (Snowflake's user for the sign-ins that
  // take one). A key file's password is the exception: a key file may have none.
  toggles.push(() => {
    const current = (attribute) => (modular[attribute] ? modular[attribute].value : values[attribute] || '');
    for (const { field, made } of conditioned) {
      const shown = Object.entries(conditions[field]).every(([attribute, allowed]) => allowed.includes(current(attribute)));
      made.wrapper.hidden = !shown;
      made.input.required = shown && !OPTIONAL_WHEN_SHOWN.has(field) && !made.input.dataset.keptSecret &&
                            !(made.input.type === 'file' && made.input.dataset.kept);
    }
  });
}
// Fields of a modular dialog that stay optional when their conditions show them.
const OPTIONAL_WHEN_SHOWN = new Set(['priv-key-file-pwd']);

function renderSsl(form, settings, params, inputs, drawn) {
  const checks = [
    ['show-uncommitted-data-checkbox', 'widget-attr-read-uncommitted-data', 'Read uncommitted data', 'readUncommitted'],
    ['show-encryption-checkbox', 'widget-attr-require-encryption', 'Require encryption', 'encryption'],
    ['show-ssl-checkbox', 'widget-attr-require-ssl', 'Require SSL', 'ssl'],
  ];
  const shown = checks.filter(([show, , , part]) => on(settings[show]) && drawn(part));
  const importCert = on(settings['show-import-sslcert-label']) && drawn('importCertificate');
  const clientBox = on(settings['show-client-ssl-box']) && drawn('clientCertificate');
  if (!shown.length && !importCert && !clientBox) return;
  const fieldset = element('fieldset', {}, element('legend', { text: 'Security' }));
  for (const [, field, label] of shown) {
    const made = checkField(label, on(params[field]));
    inputs[field] = made.input;
    fieldset.append(made.wrapper);
  }
  if (importCert) {
    const required = on(settings['ssl-requires-certificate']);
    const made = fileField('Certificate file (PEM) to import', params['widget-attr-ssl-cert'],
                           { optional: !required, hint: 'Its certificate is imported.' });
    inputs['widget-attr-ssl-cert'] = made.input;
    fieldset.append(made.wrapper);
  }
  if (clientBox) {
    const cert = fileField('Client certificate file', params['widget-attr-ssl-client-cert-file']);
    const key = fileField('Client key file', params['widget-attr-ssl-client-key-file']);
    inputs['widget-attr-ssl-client-cert-file'] = cert.input;
    inputs['widget-attr-ssl-client-key-file'] = key.input;
    fieldset.append(cert.wrapper, key.wrapper);
  }
  form.append(fieldset);
}

// The connection params record the dialog sends back: the one it was given, edited.
async function editedParams() {
  const params = JSON.parse(JSON.stringify(dialog.settings['widget-connection-params'] || {}));
  for (const [field, input] of Object.entries(dialog.inputs)) {
    if (input.closest('[hidden]')) continue;
    params[field] = await fieldValue(input);
  }
  if (Object.keys(dialog.modular).length) {
    const attrs = Object.assign({}, params['connector-attrs'] || {});
    // A field the chosen sign-in hides sends nothing.
    for (const [field, input] of Object.entries(dialog.modular)) attrs[field] = input.closest('[hidden]') ? '' : await fieldValue(input);
    params['connector-attrs'] = attrs;
  }
  // A web data connector's URL reaches the connection through its web data connector attributes.
  const url = dialog.inputs['attr-connection-url'];
  if (url) params['wdc-attrs'] = Object.assign({}, params['wdc-attrs'], { [WDC_URL_ATTRIBUTE]: url.value.trim() });
  if (dialog.cube) {
    const chosen = dialog.cube.find((entry) => !entry.radio || entry.radio.checked) || dialog.cube[0];
    if (chosen) {
      params['widget-attr-cube-specification-id'] = chosen.option['option-id'];
      params['widget-attr-cube-specification-value'] = chosen.input.value;
    }
  }
  return params;
}

// The fields whose spaces around the value are never meant (a password's may be).
const TRIMMED_FIELDS = new Set(['widget-attr-server', 'widget-attr-port', 'widget-attr-db', 'widget-attr-user',
                                'server', 'port', 'dbname', 'username']);

// Trims the fields above and checks the port before anything is sent; a port that is none is
// said under its field, and false returned.
function cleanFields() {
  const fields = Object.entries(dialog.inputs).concat(Object.entries(dialog.modular || {}));
  for (const [name, input] of fields)
    if (TRIMMED_FIELDS.has(name) && (input.type === 'text' || input.type === 'number') && input.value !== input.value.trim())
      input.value = input.value.trim();
  const port = fields.find(([name, input]) => (name === 'widget-attr-port' || name === 'port') && !input.closest('[hidden]'));
  if (!port || port[1].value === '') return true;
  const number = /^\d{1,5}$/.test(port[1].value) ? Number(port[1].value) : 0;
  if (number >= 1 && number <= 65535) return true;
  flagFields([port[1]], `"${port[1].value}" is not a port: give a number from 1 to 65535.`);
  return false;
}

// The first shown, required field left empty, or null.
function missingField(form) {
  for (const input of form.querySelectorAll('input[required], select[required]'))
    if (!input.closest('[hidden]') && !input.value.trim()) return input;
  return null;
}

// Sign In (or, with `test`, Test connection): the settings turned into attributes, then the data
// source page of the connection, or whether it connects. A failure keeps what was typed, the
// password too, and is said next to the field at fault.
async function submitDialog(form, test = false) {
  if (attempt) return;
  showError('');
  clearFieldErrors(form);
  if (!cleanFields()) return;
  const missing = missingField(form);
  if (missing) {
    const label = form.querySelector(`label[for="${missing.id}"]`);
    showError(`Fill in ${label ? label.firstChild.textContent : 'every required field'}.`);
    missing.focus();
    return;
  }
  let answer;
  try {
    answer = await busy(form, [...form.querySelectorAll('button.connects')], form.querySelector('.actions'),
                        test ? 'Testing the connection…' : 'Connecting…', async (signal) => {
      const params = await editedParams();
      const attributes = await convertDialog(params, signal);
      if (test) return { tested: await api('/api/test', attributes, signal) };
      return { attributes, page: record(await api('/api/describe', attributes, signal)) };
    });
  } catch (failure) {
    showFailure(failure);
    return;
  }
  if (!answer) return;  // cancelled or abandoned
  if (test) {
    const { connected, message, reason, details } = answer.tested;
    if (connected) status('The connection works.');
    else showFailure({ message, reason, details });
    return;
  }
  // Signed in, the secrets leave the page: the server holds them for this connection.
  for (const input of form.querySelectorAll('input[type="password"]')) input.value = '';
  renderPage(answer.attributes, answer.page);
}

// ---------------------------------------------------------------------------------------------
// Requests the user waits for: one at a time, shown busy, cancellable

let attempt = null;  // the request running: { controller }

// Runs `work(signal)` with `controls` disabled, `holder` marked busy, `text` in the status line
// and a Cancel button in `actions`. Cancel, or `holder` leaving the page, aborts the request (the
// server stops a preview whose client hung up); an aborted request's answer, or failure, never
// shows: the promise resolves to undefined for it.
async function busy(holder, controls, actions, text, work) {
  if (attempt) return undefined;
  const controller = new AbortController();
  const mine = { controller };
  attempt = mine;
  const section = holder.closest('section');
  const gone = () => !holder.isConnected || (section && section.hidden);
  const watcher = new MutationObserver(() => { if (gone()) controller.abort(); });
  watcher.observe(document.querySelector('main'), { subtree: true, childList: true, attributes: true, attributeFilter: ['hidden'] });
  const focused = document.activeElement;
  for (const control of controls) control.disabled = true;
  holder.setAttribute('aria-busy', 'true');
  const cancel = element('button', { type: 'button', class: 'cancel', text: 'Cancel', onclick: () => controller.abort() });
  actions.append(cancel);
  status(text);
  try {
    const answer = await work(controller.signal);
    return controller.signal.aborted || gone() ? undefined : answer;
  } catch (failure) {
    if (controller.signal.aborted || gone()) return undefined;
    throw failure;
  } finally {
    watcher.disconnect();
    if (attempt === mine) attempt = null;
    const hadFocus = document.activeElement === cancel || document.activeElement === document.body;
    cancel.remove();
    for (const control of controls) control.disabled = false;
    holder.removeAttribute('aria-busy');
    status(controller.signal.aborted && !gone() ? 'Cancelled.' : '');
    if (hadFocus && !gone()) (focused && focused.isConnected && focused !== document.body ? focused : controls[0] || holder).focus();
  }
}

// ---------------------------------------------------------------------------------------------
// A failure said next to the field at fault

// The connector attributes a failure's reason points at, the one to focus first.
const REASON_FIELDS = {
  authentication: ['password', 'username'],
  'host-not-found': ['server'],
  refused: ['server', 'port'],
  'timed-out': ['server', 'port'],
  'database-missing': ['dbname', 'filename', 'odbc-dsn'],
};
// The fixed dialog field that edits each of those attributes.
const ATTRIBUTE_FIELDS = { password: 'widget-attr-password', username: 'widget-attr-user', server: 'widget-attr-server',
                           port: 'widget-attr-port', dbname: 'widget-attr-db', filename: 'widget-attr-filename',
                           'odbc-dsn': 'widget-attr-dsn' };

function clearFieldErrors(form) {
  for (const box of form.querySelectorAll('.field-error')) box.remove();
  for (const input of form.querySelectorAll('[aria-invalid]')) {
    input.removeAttribute('aria-invalid');
    if (input.dataset.hint) input.setAttribute('aria-describedby', input.dataset.hint);
    else input.removeAttribute('aria-describedby');
  }
}

// Says `failure` under the first shown field its reason points at, marks those fields invalid
// and focuses the first; a failure that points at no shown field goes to the page's alert.
function showFailure(failure) {
  const shown = (input) => input && input.isConnected && !input.closest('[hidden]');
  const fields = dialog ? (REASON_FIELDS[failure.reason] || []).concat(failure.field ? [failure.field] : [])
    .map((name) => dialog.modular[name] || dialog.inputs[ATTRIBUTE_FIELDS[name]] || dialog.inputs[name]).filter(shown) : [];
  if (!fields.length) {
    showError(failure.message, failure.details);
    return;
  }
  showError('');
  flagFields(fields, failure.message, failure.details);
}

// Says `message` (and `details` under Details) under the first of `fields`, marks them all
// invalid and focuses the first.
function flagFields(fields, message, details) {
  const id = newId('field-error');
  fields[0].after(element('div', { id, class: 'field-error' }, element('p', { text: message }),
                          details ? detailsBox(details) : null));
  for (const input of fields) {
    input.dataset.hint = input.getAttribute('aria-describedby') || '';
    input.setAttribute('aria-invalid', 'true');
    input.setAttribute('aria-describedby', [id, input.dataset.hint].filter(Boolean).join(' '));
  }
  fields[0].scrollIntoView({ block: 'center' });
  fields[0].focus();
}

// ---------------------------------------------------------------------------------------------
// The data source page

async function describe(attributes) {
  showError('');
  status('Connecting…');
  let page;
  try {
    page = record(await api('/api/describe', attributes));
  } catch (failure) {
    status('');
    showError(failure.message, failure.details);
    return;
  }
  status('');
  renderPage(attributes, page);
}

// A searchable list: a search box over the items.
function searchBox(label, onFilter) {
  const id = newId('search');
  const input = element('input', { id, type: 'search', autocomplete: 'off' });
  input.addEventListener('input', () => onFilter(input.value.trim().toLowerCase()));
  return element('div', {}, element('label', { for: id, text: label }), input);
}

// A database or schema picker showing `chosen`, even when the list the database gave leaves it
// out; `all` names the choice of none.
function picker(label, kind, names, chosen, all) {
  const values = chosen && !names.includes(chosen) ? [chosen, ...names] : names;
  const choices = (all ? [{ value: '', text: all }] : []).concat(values.map((name) => ({ value: name, text: name })));
  const made = selectField(label, choices, chosen);
  made.input.dataset.picker = kind;
  made.input.dataset.shown = made.input.value;
  return made;
}

// The data source page again with `changes` to the attributes (an empty value drops the
// attribute), through the same busy state and Cancel as Sign In. Cancelled or failed, `select`
// shows again what the page still lists.
async function pickAgain(attributes, changes, select) {
  const next = Object.assign({}, attributes, changes);
  for (const [name, value] of Object.entries(changes)) if (!value) delete next[name];
  const pickers = select.closest('.pickers');
  showError('');
  let page;
  try {
    page = await busy(pickers, [...pickers.querySelectorAll('select, button')], pickers.querySelector('.picker-actions'),
                      'Connecting…', async (signal) => record(await api('/api/describe', next, signal)));
  } catch (failure) {
    select.value = select.dataset.shown;
    showError(failure.message, failure.details);
    return;
  }
  if (!page) {
    if (select.isConnected) select.value = select.dataset.shown;
    return;
  }
  renderPage(next, page);
  const again = document.querySelector(`#page select[data-picker="${select.dataset.picker}"]`);
  if (again) again.focus();
}

function renderPage(attributes, page) {
  const section = document.getElementById('page');
  section.replaceChildren(element('h2', { id: 'page-title', text: `Data source: ${page['connection-description-label'] || attributes['class']}` }));
  if (page['connection-type-label']) section.append(element('p', { class: 'info', text: page['connection-type-label'] }));

  const pickers = element('div', { class: 'pickers' });
  const left = element('div');
  const databases = (page['database-enumeration'] || {})['connection-databases'] || [];
  if (on(page['has-database']) || databases.length) {
    const chosen = attributes.dbname || page['datasource-database-name'] || '';
    const made = picker('Database', 'database', databases, chosen);
    // Another database lists its own schemas: the schema chosen in this one is dropped.
    made.input.addEventListener('change', () => pickAgain(attributes, { dbname: made.input.value, schema: '' }, made.input));
    left.append(made.wrapper);
  }
  const schemas = (page['schema-enumeration'] || {})['connection-schemas'] || [];
  if (on(page['has-schema']) || schemas.length) {
    // What lists the tables is the schema asked for, none meaning all of them, whatever the
    // database calls its current schema.
    const made = picker('Schema', 'schema', schemas, attributes.schema || '', 'All schemas');
    made.input.addEventListener('change', () => pickAgain(attributes, { schema: made.input.value }, made.input));
    left.append(searchBox('Search schemas', (term) => {
      for (const option of made.input.options)
        option.hidden = term !== '' && option.value !== '' && !option.selected && !option.value.toLowerCase().includes(term);
    }), made.wrapper);
  }
  left.append(element('div', { class: 'actions picker-actions' }));
  pickers.append(left);

  const right = element('div');
  const tables = (page['table-enumeration'] || {})['table-infos'] || [];
  const previewable = on((page['table-enumeration'] || {})['allow-preview-data']);
  const titleId = newId('tables');
  const list = element('ul', { class: 'tables', 'aria-labelledby': titleId, id: 'table-list' });
  for (const table of tables) {
    const name = table['table-caption'] || table['table-name'];
    const kind = table['table-tooltip'] ? element('span', { class: 'kind', text: table['table-tooltip'] }) : null;
    // Each table is a button: reached with Tab, chosen with Enter or a click, it shows its preview.
    const button = previewable ? element('button', { type: 'button', 'aria-pressed': 'false', onclick: () => {
      for (const other of list.querySelectorAll('button[aria-pressed="true"]')) other.setAttribute('aria-pressed', 'false');
      button.setAttribute('aria-pressed', 'true');
      showPreview(attributes, `table=${encodeURIComponent(table['table-name'])}`, `Preview of ${name}`);
    } }, name, kind) : null;
    list.append(element('li', { 'data-search': `${name} ${table['table-name']}`.toLowerCase(), 'data-name': table['table-name'] },
      button || name, button ? null : kind));
  }
  const title = element('h3', { id: titleId, text: `Tables (${tables.length})` });
  const none = element('p', { class: 'info', id: 'no-tables', role: 'status' });
  const count = (term) => {
    let shown = 0;
    for (const item of list.children) {
      item.hidden = term !== '' && !item.dataset.search.includes(term);
      if (!item.hidden) shown += 1;
    }
    title.textContent = `Tables (${shown})`;
    list.hidden = !shown;
    none.textContent = shown ? '' : tables.length ? 'No table matches.'
      : attributes.schema ? `The schema ${attributes.schema} has no tables.` : 'No tables.';
  };
  right.append(title, searchBox('Search tables', count), list, none);
  count('');
  pickers.append(right);
  section.append(pickers);
  if (tables.length && !previewable) section.append(element('p', { class: 'info', text: 'The data of this connection cannot be previewed.' }));
  if (on(page['allow-custom-sql'])) section.append(customSqlForm(attributes));
  section.append(element('div', { id: 'preview' }));

  section.append(connectionSummary(attributes, current));
  section.append(element('div', { class: 'actions' },
    element('button', { type: 'button', text: 'Back to the connectors', onclick: () => showGallery() })));
  showStep('page');
  pageArrived(attributes);
  section.querySelector('input, select, button').focus();
}

// ---------------------------------------------------------------------------------------------
// The preview of a table or a custom SQL query

const PREVIEW_ROWS = 100;
const CELL_CUT = 120;  // characters of a value shown before "show all"

// A query run as a preview, where the data source page allows custom SQL.
function customSqlForm(attributes) {
  const id = newId('sql');
  const text = element('textarea', { id, rows: '4', spellcheck: 'false', class: 'sql' });
  const form = element('form', { class: 'custom-sql', 'aria-label': 'Custom SQL' },
    element('label', { for: id, text: 'Custom SQL query' }), text,
    element('div', { class: 'actions' }, element('button', { type: 'submit', text: 'Run' })));
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    if (!text.value.trim()) {
      showError('Write a query to run.');
      text.focus();
      return;
    }
    for (const other of document.querySelectorAll('#table-list button[aria-pressed="true"]')) other.setAttribute('aria-pressed', 'false');
    showPreview(attributes, `sql=${encodeURIComponent(text.value)}`, 'Result of the custom SQL query');
  });
  return form;
}

async function showPreview(attributes, query, caption) {
  showError('');
  const holder = document.getElementById('preview');
  holder.replaceChildren();
  const controls = [...document.querySelectorAll('#table-list button, #page .custom-sql button')];
  let result;
  try {
    result = await busy(holder, controls, holder, `Reading the first ${PREVIEW_ROWS} rows…`,
                        (signal) => api(`/api/preview?${query}&rows=${PREVIEW_ROWS}`, attributes, signal));
  } catch (failure) {
    showError(failure.message, failure.details);
    return;
  }
  if (result) renderGrid(holder, caption, result);
}

// A cell as its value's kind reads: a number right-aligned, NULL apart from any text, binary data
// as its size, a long text cut short with the whole of it a click away.
function previewCell(value) {
  if (value === null) return element('td', { class: 'null', text: 'NULL' });
  if (typeof value === 'number') return element('td', { class: 'number', text: String(value) });
  if (typeof value === 'boolean') return element('td', { text: String(value) });
  if (typeof value === 'object') return element('td', { class: 'binary', text: `${value.binary} bytes` });
  const characters = Array.from(value);
  if (characters.length <= CELL_CUT) return element('td', { text: value });
  return element('td', {}, element('details', { class: 'cut' },
    element('summary', { text: `${characters.slice(0, CELL_CUT).join('')}… (show all)` }), element('div', { text: value })));
}

function renderGrid(holder, caption, result) {
  const captionId = newId('grid');
  const head = element('tr');
  for (const column of result.columns)
    head.append(element('th', { scope: 'col' }, column.name, column.type ? element('span', { class: 'type', text: column.type }) : null));
  const body = element('tbody');
  for (const row of result.rows) body.append(element('tr', {}, ...row.map(previewCell)));
  const table = element('table', { class: 'grid' }, element('caption', { id: captionId, text: caption }), element('thead', {}, head), body);
  const count = result.rows.length;
  const notes = [count ? `${count} row${count === 1 ? '' : 's'} shown.` : 'No rows.'];
  if (result['more-rows']) notes.push(`More rows follow: only the first ${count} are shown.`);
  if (result['cut-cells']) notes.push(`${result['cut-cells']} values were too long and are cut short.`);
  // The grid scrolls sideways on its own, so it can be reached and scrolled from the keyboard.
  holder.replaceChildren(element('div', { class: 'grid-scroll', role: 'region', 'aria-labelledby': captionId, tabindex: '0' }, table),
                         element('p', { class: 'info', id: 'preview-notes', text: notes.join(' ') }));
}

// ---------------------------------------------------------------------------------------------
// Saved connections

// The connectors by class, as the gallery names them.
const classLabels = new Map();

// The saved connections on the gallery page: each opens its dialog as an existing connection,
// and is renamed or deleted there.
async function renderSaved() {
  const holder = document.getElementById('saved-connections');
  let saved;
  try {
    saved = await api('/api/connections');
  } catch (failure) {
    holder.replaceChildren(element('p', { class: 'info', text: `The saved connections cannot be listed: ${failure.message}` }));
    return;
  }
  holder.replaceChildren(element('h3', { id: 'saved-title', text: 'Saved connections' }));
  if (!saved.length) {
    holder.append(element('p', { class: 'info', text: 'None yet: after signing in, "Save as…" keeps a connection here.' }));
    return;
  }
  const list = element('ul', { class: 'saved', 'aria-labelledby': 'saved-title' });
  for (const { name, class: connectionClass } of saved) {
    const item = element('li', { 'data-name': name });
    const row = element('div', { class: 'saved-row' },
      element('button', { type: 'button', class: 'open', onclick: () => openDialog(connectionClass, { saved: name }) },
        name, element('span', { class: 'note', text: ` ${classLabels.get(connectionClass) || connectionClass}` })),
      element('button', { type: 'button', text: 'Rename', 'aria-label': `Rename ${name}`, onclick: () => renameSaved(item, name) }),
      element('button', { type: 'button', text: 'Delete', 'aria-label': `Delete ${name}`, onclick: () => deleteSaved(item, name) }));
    item.append(row);
    list.append(item);
  }
  holder.append(list);
}

// An inline question under a saved connection's row: its controls, with a way back.
function askInline(item, ...controls) {
  for (const old of item.querySelectorAll('.ask')) old.remove();
  const box = element('div', { class: 'ask' }, ...controls,
    element('button', { type: 'button', text: 'Cancel', onclick: () => { box.remove(); item.querySelector('button').focus(); } }));
  item.append(box);
  return box;
}

function renameSaved(item, name) {
  const id = newId('rename');
  const input = element('input', { id, type: 'text', value: name, autocomplete: 'off' });
  const rename = async () => {
    const to = input.value.trim();
    if (!to || to === name) return input.focus();
    try {
      await api(`/api/connections/rename?${new URLSearchParams({ from: name, to })}`, '');
      status(`"${name}" is now "${to}".`);
      await renderSaved();
    } catch (failure) {
      showError(failure.message);
      input.focus();
    }
  };
  input.addEventListener('keydown', (event) => { if (event.key === 'Enter') rename(); });
  askInline(item, element('label', { for: id, text: `New name for ${name}` }), input,
            element('button', { type: 'button', class: 'primary', text: 'Rename', onclick: rename }));
  input.select();
}

function deleteSaved(item, name) {
  const yes = element('button', { type: 'button', class: 'primary danger', text: `Delete ${name}`, onclick: async () => {
    try {
      await api(`/api/connections/delete?${new URLSearchParams({ name })}`, '');
      status(`"${name}" is deleted.`);
      await renderSaved();
      document.getElementById('gallery-search').focus();
    } catch (failure) {
      showError(failure.message);
    }
  } });
  askInline(item, element('p', { text: `Delete the saved connection "${name}" and the password it keeps?` }), yes);
  yes.focus();
}

// A "Save as…" control: a name asked inline, then `save(name)`.
function saveAsControl(save) {
  const id = newId('save-name');
  const input = element('input', { id, type: 'text', autocomplete: 'off' });
  const box = element('div', { class: 'save-as', hidden: true },
    element('label', { for: id, text: 'Name of the saved connection' }), input);
  const run = async () => {
    const name = input.value.trim();
    if (!name) return input.focus();
    try {
      await save(name);
      status(`Saved as "${name}".`);
      box.hidden = true;
    } catch (failure) {
      showError(failure.message, failure.details);
      input.focus();
    }
  };
  input.addEventListener('keydown', (event) => { if (event.key === 'Enter') { event.preventDefault(); run(); } });
  box.append(element('button', { type: 'button', class: 'primary', text: 'Save', onclick: run }));
  const open = element('button', { type: 'button', text: 'Save as…', 'aria-expanded': 'false', onclick: () => {
    box.hidden = !box.hidden;
    open.setAttribute('aria-expanded', String(!box.hidden));
    if (!box.hidden) input.focus();
  } });
  return { open, box };
}

// Saves `attributes` as `name`: the server takes the secrets a convert kept under their
// credential id, so none passes through the page.
function saveAttributes(name, connectionClass, attributes) {
  return api(`/api/connections/save?${new URLSearchParams({ name, class: connectionClass })}`, attributes);
}

// The secret fields of a saved connection's dialog: the record shows a kept secret as ********;
// the field stays empty, says a value is kept, and offers to clear it.
function markKeptSecrets() {
  dialog.kept = [];
  if (!dialog.saved) return;
  const params = dialog.settings['widget-connection-params'] || {};
  const candidates = ['widget-attr-password', 'widget-attr-mdw-password'].map((field) => [field, dialog.inputs[field], params[field], false]);
  for (const [field, input] of Object.entries(dialog.modular))
    candidates.push([field, input, (params['connector-attrs'] || {})[field], true]);
  for (const [field, input, value, modular] of candidates) {
    if (!input || input.type !== 'password' || value !== MASK) continue;
    input.dataset.keptSecret = 'true';
    input.required = false;
    const hintId = `${input.id}-kept`;
    const clear = checkField('Clear the kept password', false);
    input.after(element('div', { id: hintId, class: 'info', text: 'A password is kept; type to replace it.' }), clear.wrapper);
    input.setAttribute('aria-describedby', [input.getAttribute('aria-describedby'), hintId].filter(Boolean).join(' '));
    clear.input.addEventListener('change', () => { input.disabled = clear.input.checked; if (clear.input.checked) input.value = ''; });
    dialog.kept.push({ field, modular, input, clear: clear.input });
  }
}

const MASK = '********';

// The field record converted: a saved connection's dialog saves the edit under its name (a kept
// secret left empty stays kept, a cleared one is removed); a new one becomes attributes.
async function convertDialog(params, signal) {
  if (!dialog.saved)
    return api(`/api/convert?class=${encodeURIComponent(dialog.connectionClass)}`, { 'gen-connection-params-pres-model': params }, signal);
  for (const { field, modular, clear } of dialog.kept || []) {
    const holder = modular ? params['connector-attrs'] : params;
    if (!holder[field]) holder[field] = clear.checked ? '' : MASK;
  }
  return api(`/api/convert?saved=${encodeURIComponent(dialog.saved)}`, { 'gen-connection-params-pres-model': params }, signal);
}

// The dialog's own Save (a saved connection) or Save as… (a new one), beside Sign In.
function dialogSaveControls(form) {
  if (dialog.saved) {
    return [element('button', { type: 'button', text: 'Save', onclick: async () => {
      try {
        await convertDialog(await editedParams());
        for (const { input } of dialog.kept || []) input.value = '';
        status(`Saved "${dialog.saved}".`);
      } catch (failure) {
        showError(failure.message, failure.details);
      }
    } })];
  }
  const { open, box } = saveAsControl(async (name) => {
    if (missingField(form)) throw new Error('Fill in the required fields first.');
    const attributes = await convertDialog(await editedParams());
    await saveAttributes(name, dialog.connectionClass, attributes);
  });
  return [open, box];
}

// ---------------------------------------------------------------------------------------------
// The data source page's connection summary

// What the user recognises of a connection, in words; the rest under "More settings" (never a
// secret, its credential id or an empty value).
const SUMMARY = [['odbc-dsn', 'Data source name'], ['odbc-driver', 'Driver'], ['filename', 'File'], ['server', 'Server'],
                 ['dbname', 'Database'], ['schema', 'Schema'], ['warehouse', 'Warehouse'], ['username', 'User']];
const NEVER_SHOWN = /^(class|credential-id)$|password|secret|pwd|token|key$/i;

function connectionSummary(attributes, state) {
  const holder = element('div', { class: 'summary' }, element('h3', { id: 'summary-title', text: 'Connection' }));
  const list = element('dl', { 'aria-labelledby': 'summary-title' });
  const row = (term, value) => { if (value) list.append(element('dt', { text: term }), element('dd', { text: value })); };
  const connectionClass = attributes.class || state.class;
  row('Connector', classLabels.get(connectionClass) || connectionClass);
  if (state.saved) row('Saved as', state.saved);
  const used = new Set(['class', 'port']);
  for (const [name, term] of SUMMARY) {
    let value = attributes[name];
    if (name === 'server' && value && attributes.port) value = `${value}:${attributes.port}`;
    if (name === 'filename' && value && value.startsWith('data:')) value = 'A file sent from this page';
    row(term, value);
    used.add(name);
  }
  holder.append(list);
  const others = Object.keys(attributes).sort().filter((name) => !used.has(name) && attributes[name] !== '' && !NEVER_SHOWN.test(name));
  if (others.length) {
    const more = element('dl');
    for (const name of others) more.append(element('dt', { text: readableLabel(name) }), element('dd', { text: attributes[name] }));
    holder.append(element('details', {}, element('summary', { text: 'More settings' }), more));
  }
  if (!state.saved) {
    const { open, box } = saveAsControl((name) => saveAttributes(name, connectionClass, attributes)
      .then(() => arrive(Object.assign({}, current, { saved: name }), true)));
    holder.append(element('div', { class: 'actions' }, open), box);
  }
  return holder;
}

// ---------------------------------------------------------------------------------------------
// Where the user is, kept in the address: Back, Forward and reload return to it. The address
// holds the step, the class or saved name and the dialog's fields that are no secret (never a
// password, nor a file's content); the data source page's attributes (a credential id in place
// of any secret) stay in the history entry.

let current = { step: 'gallery' };
const visited = { gallery: { step: 'gallery' } };  // the last state of each step, for the step bar
let restoring = false;

function stateUrl(state) {
  const query = new URLSearchParams({ token });
  if (state.step !== 'gallery') query.set('step', state.step);
  if (state.class) query.set('class', state.class);
  if (state.saved) query.set('saved', state.saved);
  for (const [name, value] of Object.entries(state.fields || {})) query.set(`f.${name}`, value);
  return `${location.pathname}?${query}`;
}

// Records `state` as where the user is: a new history entry for another step or connection,
// the same entry for an edit in place (or while returning to an entry).
function arrive(state, replace = false) {
  const same = current.step === state.step && current.class === state.class && current.saved === state.saved;
  current = state;
  visited[state.step] = state;
  if (state.step === 'gallery' || (state.step === 'dialog' && !same)) delete visited.page;
  // A page reloaded leads back to the dialog it came from.
  if (state.step === 'page' && !visited.dialog)
    visited.dialog = { step: 'dialog', class: state.class, saved: state.saved, fields: state.fields };
  if (restoring || replace || same) history.replaceState(state, '', stateUrl(state));
  else history.pushState(state, '', stateUrl(state));
  renderSteps();
}

// The dialog's fields that are no secret, by their params field (a connector attribute as "a.NAME").
function dialogFields() {
  const fields = {};
  const keep = (name, input) => {
    if (!input || input.type === 'password' || input.type === 'file' || input.dataset.secret || input.closest('[hidden]')) return;
    fields[name] = input.type === 'checkbox' ? String(input.checked) : input.value;
  };
  for (const [name, input] of Object.entries(dialog.inputs)) if (name !== 'widget-attr-password') keep(name, input);
  for (const [name, input] of Object.entries(dialog.modular)) if (!MODULAR_SECRETS.has(name)) keep(`a.${name}`, input);
  return fields;
}

// The fields of an address laid over the params record a dialog starts from.
function applyFields(settings, fields) {
  const params = settings['widget-connection-params'] = settings['widget-connection-params'] || {};
  for (const [name, value] of Object.entries(fields || {})) {
    if (name.startsWith('a.')) {
      if (MODULAR_SECRETS.has(name.slice(2))) continue;
      params['connector-attrs'] = Object.assign({}, params['connector-attrs'], { [name.slice(2)]: value });
    } else if (name !== 'widget-attr-password') {
      params[name] = value;
    }
  }
}

// Called once the dialog is drawn: its state, kept up to date as the user types.
function dialogArrived(form) {
  const state = { step: 'dialog', class: dialog.connectionClass, saved: dialog.saved, fields: dialogFields() };
  arrive(state);
  let timer = null;
  const update = () => {
    clearTimeout(timer);
    timer = setTimeout(() => {
      if (current.step === 'dialog' && form.isConnected) arrive(Object.assign({}, current, { fields: dialogFields() }), true);
    }, 250);
  };
  form.addEventListener('input', update);
  form.addEventListener('change', update);
}

function pageArrived(attributes) {
  const from = current.step === 'dialog' || current.step === 'page' ? current : {};
  arrive({ step: 'page', class: attributes.class || from.class, saved: from.saved, fields: from.fields, attributes });
}

// Draws the step of `state`, as it was.
async function restore(state) {
  restoring = true;
  try {
    await galleryData();
    if (state.step === 'dialog' && state.class) return await openDialog(state.class, state);
    if (state.step === 'page' && (state.attributes || state.saved)) {
      current = state;  // so that the page keeps its saved name
      if (state.attributes) return await describe(state.attributes);
      return await describeSaved(state);
    }
    if (state.step === 'page' && state.class) return await openDialog(state.class, state);
    if (state.step === 'variables') return await openVariables();
    return await showGallery();
  } finally {
    restoring = false;
  }
}

// The data source page of a saved connection, connected by its name.
async function describeSaved(state) {
  status('Connecting…');
  const ticket = ++navigations;
  try {
    const attributes = await api(`/api/connections?${new URLSearchParams({ name: state.saved })}`);
    const page = record(await api(`/api/describe?saved=${encodeURIComponent(state.saved)}`, '{}'));
    if (ticket === navigations) renderPage(attributes, page);
  } catch (failure) {
    showError(failure.message, failure.details);
    await openDialog(state.class, state);
  } finally {
    status('');
  }
}

// The state an address names (after a reload the history entry's own state wins).
function addressState() {
  const query = new URLSearchParams(location.search);
  const fields = {};
  for (const [name, value] of query) if (name.startsWith('f.')) fields[name.slice(2)] = value;
  return { step: query.get('step') || 'gallery', class: query.get('class') || undefined, saved: query.get('saved') || undefined, fields };
}

// The steps already visited are links back to where they were left.
function renderSteps() {
  for (const item of document.querySelectorAll('#steps li')) {
    const step = item.dataset.step;
    const label = item.dataset.label || (item.dataset.label = item.textContent);
    const target = visited[step];
    if (target && step !== current.step) {
      item.replaceChildren(element('a', { href: stateUrl(target), onclick: (event) => {
        event.preventDefault();
        arrive(target);
        restore(target).catch((failure) => showError(failure.message));
      } }, label));
    } else {
      item.replaceChildren(label);
    }
  }
}

window.addEventListener('popstate', (event) => {
  const state = event.state || addressState();
  current = state;
  restore(state).catch((failure) => showError(failure.message));
});

// ---------------------------------------------------------------------------------------------
// The variable prompt of a variables description file

// The file, relation and selection the prompt was last built for.
let prompt = { file: '', relation: '' };

async function openVariables() {
  showError('');
  status('Loading the description files…');
  let files = [];
  try {
    files = (await api('/api/variable-files')).files;
  } catch (failure) {
    showError(failure.message, failure.details);
  }
  status('');
  const section = document.getElementById('variables');
  const form = element('form', { 'aria-labelledby': 'variables-title', class: 'variables-source' });
  const chosen = selectField('Description file', files.map((f) => ({ value: f.path, text: f.name })), prompt.file || undefined);
  const relation = textField('Only the variables of the relation', prompt.relation, { optional: true });
  chosen.input.disabled = !files.length;
  form.append(chosen.wrapper, relation.wrapper, element('div', { class: 'actions' },
    element('button', { type: 'submit', class: 'primary', text: 'Show the variables' }),
    element('button', { type: 'button', text: 'Back to the connectors', onclick: () => showGallery() })));
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    const file = chosen.input.value;
    if (!file) {
      showError('Choose a description file.');
      chosen.input.focus();
      return;
    }
    prompt = { file, relation: relation.input.value.trim() };
    loadPrompt();
  });
  section.replaceChildren(element('h2', { id: 'variables-title', text: 'Database variables' }), form,
                          element('div', { id: 'variable-prompt' }));
  showStep('variables');
  arrive({ step: 'variables' });
  chosen.input.focus();
}

// Builds the prompt again, editing the value `index` of the variable `name` when one is given.
async function loadPrompt(name, index) {
  showError('');
  status('Building the variable prompt…');
  const query = new URLSearchParams({ file: prompt.file });
  if (prompt.relation) query.set('relation', prompt.relation);
  if (name !== undefined) {
    query.set('select', name);
    query.set('index', String(index));
  }
  try {
    renderPrompt(record(await api(`/api/variables?${query}`)));
  } catch (failure) {
    showError(failure.message, failure.details);
  } finally {
    status('');
  }
}

// The values of a variable, each with its tooltip, an invalid one marked.
function valueList(variable) {
  const list = element('ul', { class: 'values' });
  for (const value of variable['variable-values'] || []) {
    const text = value['display-value'] || '(no value)';
    list.append(element('li', { title: value['tooltip-value'] || undefined, class: on(value.valid) ? undefined : 'invalid',
                                'data-index': value['value-index'] },
      text, on(value.valid) ? null : element('span', { class: 'note', text: ' (not valid)' })));
  }
  return list;
}

function renderPrompt(dialogRecord) {
  const holder = document.getElementById('variable-prompt');
  const variables = dialogRecord['prompt-variables'] || [];
  const editingGuid = on(dialogRecord['is-editing']) ? dialogRecord['variable-guid'] : null;
  holder.replaceChildren(element('h3', { id: 'prompt-title', text: dialogRecord['dialog-title'] }),
    element('p', { class: 'info', text: `Connection: ${dialogRecord['connection-name']}` }));
  if (dialogRecord.instructions) holder.append(element('p', { text: dialogRecord.instructions }));
  if (!on(dialogRecord.valid))
    holder.append(element('p', { class: 'notice', role: 'note', id: 'prompt-invalid', text: dialogRecord['required-variable-message'] }));

  const table = element('table', { class: 'prompt', 'aria-labelledby': 'prompt-title' },
    element('thead', {}, element('tr', {}, element('th', { scope: 'col', text: dialogRecord['list-view-name-label'] }),
                                          element('th', { scope: 'col', text: dialogRecord['list-view-value-label'] }),
                                          element('th', { scope: 'col' }, element('span', { class: 'visually-hidden', text: 'Edit' })))));
  const body = element('tbody');
  for (const variable of variables) {
    const required = on(variable['is-required']);
    const nameCell = element('th', { scope: 'row' },
      variable['variable-display-name'],
      required ? element('abbr', { class: 'required', title: 'required', text: ' *' }) : null,
      variable['variable-description'] ? element('div', { class: 'info', text: variable['variable-description'] }) : null,
      variable['prompt-text'] ? element('div', { class: 'prompt-text', text: variable['prompt-text'] }) : null,
      on(variable['is-user-prompted']) ? null : element('div', { class: 'note', text: 'Not prompted' }),
      on(variable['supports-multiple-values']) ? element('div', { class: 'note', text: 'Takes several values' }) : null);
    const edit = element('button', { type: 'button', text: 'Edit', disabled: !on(variable['is-user-editable']),
                                     'aria-label': `Edit ${variable['variable-display-name']}`,
                                     onclick: () => loadPrompt(variable['full-variable-name'], 0) });
    body.append(element('tr', { 'data-guid': variable['variable-guid'], 'data-required': String(required),
                                'aria-current': variable['variable-guid'] === editingGuid ? 'true' : undefined },
      nameCell, element('td', {}, valueList(variable)), element('td', {}, edit)));
  }
  table.append(body);
  holder.append(table);

  const editing = variables.find((v) => v['variable-guid'] === editingGuid);
  if (editing && dialogRecord['editable-variable-value']) holder.append(valueEditor(dialogRecord, editing));
  (holder.querySelector('#value-editor select, #value-editor input') || holder.querySelector('button')).focus();
}

// The editor of the selected value: its operation, its value or range, the variable's selection
// items. What the user chooses stays on the page: the server builds the prompt, it takes no
// values back.
function valueEditor(dialogRecord, variable) {
  const value = dialogRecord['editable-variable-value'];
  const fieldset = element('fieldset', { id: 'value-editor' }, element('legend', { text: `${dialogRecord['edit-widget-header']}: ${variable['variable-display-name']}` }));
  if (dialogRecord['edit-widget-instruction']) fieldset.append(element('p', { class: 'info', text: dialogRecord['edit-widget-instruction'] }));

  // The values of a variable with several: the one edited is chosen here.
  const values = variable['variable-values'] || [];
  if (values.length > 1) {
    const which = selectField(dialogRecord['values-table-header2'], values.map((v) => ({ value: v['value-index'], text: v['display-value'] || '(no value)' })),
                              dialogRecord['value-index']);
    which.input.addEventListener('change', () => loadPrompt(variable['full-variable-name'], Number(which.input.value)));
    fieldset.append(which.wrapper);
  }

  const operations = value['variable-value-operations'] || [];
  const current = (value['variable-value-operation'] || {})['operation-name'];
  const operation = selectField(dialogRecord['values-table-header'], operations.map((o) => ({ value: o['operation-name'], text: o['operation-name'] })), current);
  fieldset.append(operation.wrapper);

  const selection = value['aliased-selection-list'] || [];
  const listId = newId('selection');
  const dataList = element('datalist', { id: listId });
  for (const [item, alias] of selection) dataList.append(element('option', { value: item, label: alias || item }));
  const first = textField(dialogRecord['from-label'], (value['first-alised-value'] || [])[0]);
  const second = textField(dialogRecord['to-label'], (value['second-alised-value'] || [])[0]);
  for (const made of [first, second]) {
    made.input.required = false;  // nothing is submitted from here
    made.input.setAttribute('list', listId);
  }
  const isRange = () => {
    const chosen = operations.find((o) => o['operation-name'] === operation.input.value);
    return chosen ? chosen['operation-type'].startsWith('range') : on(value['is-two-valued']);
  };
  const update = () => {
    second.wrapper.hidden = !isRange();
    first.wrapper.querySelector('label').firstChild.textContent = isRange() ? dialogRecord['from-label'] : dialogRecord['list-view-value-label'];
  };
  operation.input.addEventListener('change', update);
  fieldset.append(first.wrapper, second.wrapper, dataList);
  update();

  if (selection.length) {
    const items = element('ul', { class: 'selection', id: 'selection-items', 'aria-label': 'Selection items' });
    for (const [item, alias] of selection)
      items.append(element('li', {}, element('button', { type: 'button', 'data-value': item, text: alias ? `${alias} (${item})` : item,
                                                         onclick: () => { first.input.value = item; first.input.focus(); } })));
    fieldset.append(element('div', { class: 'info', text: 'Selection items' }), items);
  }
  fieldset.append(element('p', { class: 'info', text: `Data type: ${value['data-type']}. The choice stays on this page: the prompt is built by the server, which takes no values back.` }));
  return fieldset;
}

// ---------------------------------------------------------------------------------------------

document.getElementById('gallery-search').addEventListener('input', filterGallery);
document.getElementById('open-variables').addEventListener('click', () => openVariables());
current = history.state || addressState();
restore(current).catch((failure) => showError(failure.message));
