// The connection dialogs in a browser: the gallery, the connection dialog of a class as its
// settings record describes it, the attributes it turns into, the data source page of the live
// connection, and the variable prompt of a variables description file. Every call carries the
// session token of the address.
'use strict';

const token = new URLSearchParams(location.search).get('token') || '';

// ---------------------------------------------------------------------------------------------
// Talking to the server

async function api(path, body) {
  const options = { headers: { 'X-Hlv-Token': token }, cache: 'no-store' };
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

// Shows `message`, and under it the database's own `details` when there are some.
function showError(message, details) {
  const box = document.getElementById('error');
  box.replaceChildren(message);
  if (details) box.append(element('p', { class: 'details', text: `The database said: ${details}` }));
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

async function showGallery() {
  showError('');
  status('Loading the connectors…');
  const groups = await Promise.all(['file', 'server'].map((group) => api(`/api/gallery?group=${group}`)));
  const container = document.getElementById('gallery-groups');
  container.replaceChildren();
  fileClasses = new Set(record(groups[0])['connection-types'].map((type) => type['value-class-attr']));
  for (const bag of groups) {
    const group = record(bag);
    const titleId = newId('group');
    const list = element('ul', { class: 'connectors', 'aria-labelledby': titleId });
    for (const type of group['connection-types']) {
      const disabled = !on(type['is-enabled']) || on(type['is-disabled-data-connection']);
      const button = element('button', { type: 'button', disabled, 'data-class': type['value-class-attr'],
                                         onclick: () => openDialog(type['value-class-attr']) },
        type.label,
        on(type['is-disabled-data-connection']) ? element('span', { class: 'note', text: 'Disabled by the administrator' }) : null);
      list.append(element('li', { 'data-search': type.label.toLowerCase() }, button));
    }
    container.append(element('div', { class: 'group' }, element('h3', { id: titleId, text: group.label }), list));
  }
  showStep('gallery');
  status('');
  document.getElementById('gallery-search').focus();
}

function filterGallery(event) {
  const term = event.target.value.trim().toLowerCase();
  for (const item of document.querySelectorAll('#gallery-groups li'))
    item.hidden = term !== '' && !item.dataset.search.includes(term);
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
  'auth-option-access-no': 'No database password',
  'auth-option-access-yes': 'Database password',
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
  'auth-option-ad-username-and-password', 'auth-option-access-yes', 'auth-option-password']);
// The modes in which the user picks one of the options; the others have fixed fields.
const AUTH_CHOOSING = new Set(['auth-mode-radio', 'auth-mode-radio-unindented', 'auth-mode-combobox',
  'auth-mode-combobox-integrated', 'auth-mode-hive', 'auth-mode-sharepoint', 'auth-mode-sapbw', 'auth-mode-switch-modal']);
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

async function openDialog(connectionClass) {
  showError('');
  status(`Opening the ${connectionClass} dialog…`);
  let settings;
  let drivers = [];
  try {
    settings = record(await api(`/api/dialog?class=${encodeURIComponent(connectionClass)}`));
    // A dialog that offers a driver choice offers the drivers installed on the server's machine.
    if (on(settings['show-driver-config'])) drivers = (await api('/api/odbc-drivers')).drivers;
  } catch (failure) {
    status('');
    showError(failure.message, failure.details);
    return;
  }
  renderDialog(connectionClass, settings, drivers);
  status('');
}

function renderDialog(connectionClass, settings, drivers = []) {
  const params = settings['widget-connection-params'] || {};
  const section = document.getElementById('dialog');
  const form = element('form', { novalidate: true, 'aria-labelledby': 'dialog-title' });
  const inputs = {};   // connection params field -> input
  const modular = {};  // connector attribute -> input
  const toggles = [];  // functions that show or hide parts when a choice changes
  dialog = { connectionClass, settings, inputs, modular, cube: null };
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

  renderModular(form, settings, description, params, modular);

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

  if (drawn('authentication')) renderAuthentication(form, settings, params, inputs, toggles, transports);
  renderCube(form, settings);
  renderSsl(form, settings, params, inputs, drawn);

  if (on(settings['show-vendor-support-info']) && settings['vendor-support-info'])
    form.append(element('p', { class: 'info', text: settings['vendor-support-info'] }));

  form.append(element('div', { class: 'actions' },
    element('button', { type: 'submit', class: 'primary', text: 'Sign In' }),
    element('button', { type: 'button', text: 'Back to the connectors', onclick: () => showGallery() })));
  form.addEventListener('submit', (event) => { event.preventDefault(); submitDialog(form); });
  form.addEventListener('change', () => toggles.forEach((toggle) => toggle()));
  toggles.forEach((toggle) => toggle());
  section.append(form);
  showStep('dialog');
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

function renderAuthentication(form, settings, params, inputs, toggles, transports) {
  const auth = settings['auth-info'];
  if (!auth || auth['auth-mode'] === 'auth-mode-none') return;
  const mode = auth['auth-mode'];
  const fieldset = element('fieldset', {}, element('legend', { text: 'Authentication' }));
  if (auth['authentication-prompt']) fieldset.append(element('p', { class: 'info', text: auth['authentication-prompt'] }));
  const allOptions = auth['auth-options'] || [];
  let choice = null;
  if (AUTH_CHOOSING.has(mode) && allOptions.length) {
    const made = selectField('Authentication', allOptions.map((o) => ({ value: o, text: AUTH_LABELS[o] || o })),
                             allOptions.includes(params['curr-auth-option']) ? params['curr-auth-option'] : allOptions[0]);
    choice = made.input;
    inputs['curr-auth-option'] = choice;
    fieldset.append(made.wrapper);
  }
  const user = textField('Username', params['widget-attr-user']);
  const password = textField('Password', '', { type: 'password' });
  inputs['widget-attr-user'] = user.input;
  inputs['widget-attr-password'] = password.input;
  fieldset.append(user.wrapper, password.wrapper);
  const fixedUser = mode !== 'auth-mode-password-only' && mode !== 'auth-mode-oauth-only';
  const fixedPassword = !['auth-mode-basic-username-only', 'auth-mode-oauth-only'].includes(mode);
  const basicOptional = mode === 'auth-mode-basic-no-validate-fields';
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
    password.input.required = false;
  });
  form.append(fieldset);
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
    if (on(option['show-browse-button']))
      row.append(element('div', { class: 'info', text: 'The full path of the file on this machine.' }));
    fieldset.append(row);
    entries.push({ option, input, radio });
  });
  dialog.cube = entries;
  form.append(fieldset);
}

// The sections of a modular dialog description: each field edits the connector attribute of its
// name. Its label is the one the description gives (a file's label, as the choices of a field
// come with theirs), else the record's prompt for that attribute, else one made from the name.
function renderModular(form, settings, description, params, modular) {
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
        made = fileField(label, values[field], { hint: 'The file is read here and its content sent.' });
      } else {
        const secret = MODULAR_SECRETS.has(field);
        made = textField(label, secret ? '' : values[field], { optional: fixed ? fixed.optional : true, type: secret ? 'password' : 'text' });
      }
      made.input.dataset.attribute = field;
      modular[field] = made.input;
      fieldset.append(made.wrapper);
    }
    form.append(fieldset);
  }
}

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
    for (const [field, input] of Object.entries(dialog.modular)) attrs[field] = await fieldValue(input);
    params['connector-attrs'] = attrs;
  }
  if (dialog.cube) {
    const chosen = dialog.cube.find((entry) => !entry.radio || entry.radio.checked) || dialog.cube[0];
    if (chosen) {
      params['widget-attr-cube-specification-id'] = chosen.option['option-id'];
      params['widget-attr-cube-specification-value'] = chosen.input.value;
    }
  }
  return params;
}

// The first shown, required field left empty, or null.
function missingField(form) {
  for (const input of form.querySelectorAll('input[required], select[required]'))
    if (!input.closest('[hidden]') && !input.value.trim()) return input;
  return null;
}

async function submitDialog(form) {
  showError('');
  const missing = missingField(form);
  if (missing) {
    const label = form.querySelector(`label[for="${missing.id}"]`);
    showError(`Fill in ${label ? label.firstChild.textContent : 'every required field'}.`);
    missing.focus();
    return;
  }
  let params;
  try {
    params = await editedParams();
  } catch (failure) {
    showError(failure.message, failure.details);
    return;
  }
  // The secrets leave the page with this request only.
  for (const input of form.querySelectorAll('input[type="password"]')) input.value = '';
  const connectionClass = dialog.connectionClass;
  status('Converting the settings…');
  let attributes;
  try {
    attributes = await api(`/api/convert?class=${encodeURIComponent(connectionClass)}`,
                           { 'gen-connection-params-pres-model': params });
  } catch (failure) {
    status('');
    showError(failure.message, failure.details);
    return;
  }
  await describe(attributes);
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

function attributeTable(attributes) {
  const table = element('table', {}, element('thead', {}, element('tr', {}, element('th', { text: 'Attribute' }), element('th', { text: 'Value' }))));
  const body = element('tbody');
  for (const name of Object.keys(attributes).sort())
    body.append(element('tr', {}, element('th', { scope: 'row', text: name }), element('td', { text: attributes[name] })));
  table.append(body);
  return table;
}

// A searchable list: a search box over the items.
function searchBox(label, onFilter) {
  const id = newId('search');
  const input = element('input', { id, type: 'search', autocomplete: 'off' });
  input.addEventListener('input', () => onFilter(input.value.trim().toLowerCase()));
  return element('div', {}, element('label', { for: id, text: label }), input);
}

function renderPage(attributes, page) {
  const section = document.getElementById('page');
  section.replaceChildren(element('h2', { id: 'page-title', text: `Data source: ${page['connection-description-label'] || attributes['class']}` }));
  if (page['connection-type-label']) section.append(element('p', { class: 'info', text: page['connection-type-label'] }));

  const pickers = element('div', { class: 'pickers' });
  const left = element('div');
  const databases = (page['database-enumeration'] || {})['connection-databases'] || [];
  if (on(page['has-database']) || databases.length) {
    const made = selectField('Database', databases.map((d) => ({ value: d, text: d })), page['datasource-database-name'] || undefined);
    made.input.addEventListener('change', () => describe(Object.assign({}, attributes, { dbname: made.input.value, schema: '' })));
    left.append(made.wrapper);
  }
  const schemas = (page['schema-enumeration'] || {})['connection-schemas'] || [];
  if (on(page['has-schema']) || schemas.length) {
    const choices = [{ value: '', text: 'All schemas' }].concat(schemas.map((s) => ({ value: s, text: s })));
    const made = selectField('Schema', choices, page['datasource-schema-name'] || '');
    made.input.addEventListener('change', () => describe(Object.assign({}, attributes, { schema: made.input.value })));
    left.append(searchBox('Search schemas', (term) => {
      for (const option of made.input.options) option.hidden = term !== '' && option.value !== '' && !option.value.toLowerCase().includes(term);
    }), made.wrapper);
  }
  pickers.append(left);

  const right = element('div');
  const tables = (page['table-enumeration'] || {})['table-infos'] || [];
  const titleId = newId('tables');
  const list = element('ul', { class: 'tables', 'aria-labelledby': titleId, id: 'table-list' });
  for (const table of tables) {
    const name = table['table-caption'] || table['table-name'];
    list.append(element('li', { 'data-search': `${name} ${table['table-name']}`.toLowerCase(), 'data-name': table['table-name'],
                                title: table['table-tooltip'] || undefined },
      name, name !== table['table-name'] ? element('span', { class: 'kind', text: table['table-name'] }) : null));
  }
  right.append(element('h3', { id: titleId, text: `Tables (${tables.length})` }),
    searchBox('Search tables', (term) => {
      for (const item of list.children) item.hidden = term !== '' && !item.dataset.search.includes(term);
    }), list);
  if (!tables.length) right.append(element('p', { class: 'info', text: page['table-placeholder-text'] || 'No tables.' }));
  pickers.append(right);
  section.append(pickers);

  section.append(element('h3', { text: 'Connection attributes' }), attributeTable(attributes));
  section.append(element('div', { class: 'actions' },
    element('button', { type: 'button', text: 'Back to the connectors', onclick: () => showGallery() })));
  showStep('page');
  section.querySelector('input, select, button').focus();
}

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
showGallery().catch((failure) => showError(failure.message));
