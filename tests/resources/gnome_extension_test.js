// The GNOME Shell extension's pure routine and its shipped files, under gjs alone.
//
//   gjs gnome_extension_test.js SOURCE_EXTENSION_DIR BUILT_EXTENSION_DIR
'use strict';

const {Gio, GLib} = imports.gi;
const [sourceDir, builtDir] = ARGV;
imports.searchPath.unshift(sourceDir);
const R = imports.routine;

let failures = 0;
function check(name, actual, expected) {
    const [a, e] = [JSON.stringify(actual), JSON.stringify(expected)];
    if (a !== e) {
        printerr(`FAIL ${name}: got ${a}, expected ${e}`);
        failures++;
    }
}
function thrown(f) {
    try {
        f();
        return null;
    } catch (e) {
        return e.message;
    }
}

for (const [text, expected] of [
    ['1+2', ['1+2', '']],
    ['1+2\n', ['1+2', '\n']],
    ['1+2\r\n', ['1+2', '\r\n']],
    ['1+2\r', ['1+2', '\r']],
    ['1+2\n\n', ['1+2\n', '\n']],
    ['', ['', '']],
])
    check(`splitLineBreak ${JSON.stringify(text)}`, R.splitLineBreak(text), expected);

for (const [names, expected] of [
    [['de_DE.UTF-8', 'de_DE', 'de.UTF-8', 'de', 'C'], ['de-DE', 'de']],
    [['sr_RS.UTF-8@latin', 'sr_RS@latin', 'sr', 'C'], ['sr-RS', 'sr']],
    [['C.UTF-8', 'C', 'POSIX'], []],
])
    check(`requestLanguages ${names}`, R.requestLanguages(names), expected);

for (const [env, expected] of [
    [{LC_ALL: 'de_DE.UTF-8', LC_NUMERIC: 'fr_FR.UTF-8', LANG: 'en_US.UTF-8'}, 'de_DE.UTF-8'],
    [{LC_ALL: '', LC_NUMERIC: 'fr_FR.UTF-8', LANG: 'en_US.UTF-8'}, 'fr_FR.UTF-8'],
    [{LANG: 'en_GB.UTF-8'}, 'en_GB.UTF-8'],
    [{}, 'C'],
])
    check(`numbersLocale ${JSON.stringify(env)}`, R.numbersLocale(n => env[n] ?? null), expected);

// The request as the provider's signature takes it, its text in UTF-8.
const request = R.buildRequest('2·3', 'de_DE.UTF-8', ['de-DE', 'de']);
check('request signature', request.get_type_string(), '(a{sv}ssas)');
const [pboard, userData, numbers, languages] = request.deepUnpack();
check('request flavours', Object.keys(pboard), [R.PlainText]);
check('request bytes', Array.from(pboard[R.PlainText].deepUnpack()), [0x32, 0xc2, 0xb7, 0x33]);
check('request rest', [userData, numbers, languages], ['', 'de_DE.UTF-8', ['de-DE', 'de']]);

const ascii = text => [...text].map(c => c.charCodeAt(0));
function reply(flavours) {
    const map = {};
    for (const [type, text] of Object.entries(flavours))
        map[type] = new GLib.Variant('ay', new TextEncoder().encode(text));
    return new GLib.Variant('(a{sv})', [map]);
}
for (const [service, flavours, lineBreak, expected] of [
    ['substitute', {[R.PlainText]: '1,5'}, '', {text: '1,5'}],
    ['substitute', {[R.PlainText]: '98'}, '\r\n', {text: '98\r\n'}],
    ['copy', {[R.PlainText]: '−2'}, '\n', {text: '−2\n'}],
    ['add', {[R.PlainText]: '1+2 = 3'}, '\n', {text: '1+2 = 3\n'}],
    // Text wins over RTF; RTF alone is pasted as it is, its line break inside it.
    ['add', {'text/rtf': '{\\rtf1 x}', [R.PlainText]: 'x = 1'}, '', {text: 'x = 1'}],
    ['add', {'text/rtf': '{\\rtf1 x}'}, '\n', {mimeType: 'text/rtf', bytes: ascii('{\\rtf1 x}')}],
    ['show', {}, '\n', null],
]) {
    const got = R.resultOf(service, reply(flavours), lineBreak);
    if (got?.bytes)
        got.bytes = Array.from(got.bytes);
    check(`resultOf ${service} ${JSON.stringify(flavours)}`, got, expected);
}
for (const [service, flavours] of [['substitute', {'text/rtf': '{\\rtf1 3}'}], ['add', {}]]) {
    check(`resultOf ${service} without a result`,
        thrown(() => R.resultOf(service, reply(flavours), '')),
        'Sumwise answered without a result');
}

const remote = (name, message) => Gio.DBusError.new_for_dbus_error(name, message);
const local = (code, message) => new GLib.Error(Gio.IOErrorEnum, code, message);
for (const [error, expected] of [
    [remote('org.sumwise.Sumwise.Error', 'Error: Division by zero'), 'Division by zero'],
    [remote('org.sumwise.Sumwise.Error', 'Fehler: Division durch null'),
        'Fehler: Division durch null'],
    [remote('org.freedesktop.DBus.Error.ServiceUnknown', 'The name is not activatable'),
        'Sumwise cannot be started: The name is not activatable'],
    [remote('org.freedesktop.DBus.Error.Spawn.ChildSignaled', 'Process died with signal 6'),
        'Sumwise cannot be started: Process died with signal 6'],
    [local(Gio.IOErrorEnum.TIMED_OUT, 'Timeout was reached'), 'Sumwise did not answer in time'],
    [local(Gio.IOErrorEnum.CLOSED, 'The connection is closed'), 'The connection is closed'],
])
    check(`errorMessage ${error.message}`, R.errorMessage(error), expected);

for (const [formula, expected] of [
    ['1/0', '1/0\nDivision by zero'],
    ['', 'Division by zero'],
    [`${'1+'.repeat(40)}1`, `${'1+'.repeat(30)}…\nDivision by zero`],
    ['1/0\n2', '1/0…\nDivision by zero'],
])
    check(`notificationBody ${JSON.stringify(formula)}`,
        R.notificationBody(formula, 'Division by zero'), expected);

check('copy is served by substitute', R.serviceMethod('copy'), 'doCalcSubstituteService');
check('unknown service', thrown(() => R.serviceMethod('print')), 'unknown service print');
check('terminals', ['Gnome-terminal-server', 'foot', 'mousepad', null].map(R.isTerminal),
    [true, true, false, false]);

// The built folder is what the Shell loads: its uuid, versions and compiled schema agree.
const [, json] = GLib.file_get_contents(`${builtDir}/metadata.json`);
const metadata = JSON.parse(new TextDecoder().decode(json));
check('uuid is the folder name', metadata.uuid, GLib.path_get_basename(builtDir));
check('runs on GNOME 43', metadata['shell-version'].includes('43'), true);
const source = Gio.SettingsSchemaSource.new_from_directory(`${builtDir}/schemas`, null, true);
const schema = source.lookup(metadata['settings-schema'], false);
check('schema compiled under the metadata\'s id', !!schema, true);
if (schema) {
    const [, text] = GLib.file_get_contents(`${sourceDir}/extension.js`);
    const services = /const Services = \[(.*)\];/.exec(new TextDecoder().decode(text))[1];
    for (const service of ['substitute', 'add', 'show', 'copy']) {
        check(`extension binds ${service}`, services.includes(`'${service}'`), true);
        const key = schema.has_key(service) && schema.get_key(service);
        check(`key ${service} has a default`,
            key && key.get_default_value().deepUnpack().length, 1);
    }
}

for (const file of ['extension.js', 'routine.js']) {
    const [ok, text] = GLib.file_get_contents(`${builtDir}/${file}`);
    check(`${file} built`, ok && text.length > 0, true);
}

if (failures) {
    printerr(`${failures} check(s) failed`);
    imports.system.exit(1);
}
print('all extension checks passed');
