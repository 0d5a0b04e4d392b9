/* exported serviceMethod, splitLineBreak, requestLanguages, numbersLocale, buildRequest,
   resultOf, errorMessage, notificationBody, isTerminal, PlainText */
// The routine's decisions, kept free of the Shell so that gjs alone can load and test them.
'use strict';

const {Gio, GLib} = imports.gi;

var PlainText = 'text/plain;charset=utf-8';
const RichText = 'text/rtf';
const ServiceError = 'org.sumwise.Sumwise.Error';

// Copy goes through Substitute: the provider's own clipboard is out of reach of the
// applications on Wayland, the Shell's is not.
const Methods = {
    substitute: 'doCalcSubstituteService',
    add: 'doCalcAddService',
    show: 'doCalcShowService',
    copy: 'doCalcSubstituteService',
};

const Terminals = [
    'gnome-terminal', 'gnome-terminal-server', 'org.gnome.terminal', 'org.gnome.console', 'kgx',
    'mate-terminal', 'xfce4-terminal', 'tilix', 'terminator', 'lxterminal', 'qterminal',
    'konsole', 'org.kde.konsole', 'alacritty', 'kitty', 'wezterm', 'foot', 'xterm', 'urxvt',
    'ptyxis', 'org.gnome.ptyxis',
];

function serviceMethod(service) {
    const method = Methods[service];
    if (!method)
        throw new Error(`unknown service ${service}`);
    return method;
}

// A selected whole line keeps its line break after the result.
function splitLineBreak(text) {
    const match = /(\r\n|\n|\r)$/.exec(text);
    return match ? [text.slice(0, match.index), match[1]] : [text, ''];
}

// GLib's list (de_DE.UTF-8, de_DE, de.UTF-8, de, C) in the form the provider takes: de-DE, de.
function requestLanguages(names) {
    const languages = [];
    for (const name of names) {
        const tag = name.replace(/[.@].*$/, '').replace('_', '-');
        if (tag && tag !== 'C' && tag !== 'POSIX' && !languages.includes(tag))
            languages.push(tag);
    }
    return languages;
}

// The locale the numbers are written in, by the same precedence as setlocale.
function numbersLocale(getenv) {
    for (const name of ['LC_ALL', 'LC_NUMERIC', 'LANG']) {
        const value = getenv(name);
        if (value)
            return value;
    }
    return 'C';
}

function buildRequest(text, numbers, languages) {
    const bytes = new TextEncoder().encode(text);
    return new GLib.Variant('(a{sv}ssas)', [
        {[PlainText]: new GLib.Variant('ay', bytes)}, '', numbers, languages]);
}

// What goes on the clipboard from the provider's answer: {text}, {mimeType, bytes}, or null
// when the service leaves nothing to paste. Throws when an answer is missing its result.
function resultOf(service, reply, lineBreak) {
    if (service === 'show')
        return null;
    const [pboard] = reply.deepUnpack();
    if (PlainText in pboard) {
        const text = new TextDecoder().decode(pboard[PlainText].deepUnpack());
        return {text: text + lineBreak};
    }
    // Only a styled selection gets a styled answer, and its line break is inside it.
    if (RichText in pboard && service === 'add')
        return {mimeType: RichText, bytes: pboard[RichText].deepUnpack()};
    throw new Error('Sumwise answered without a result');
}

function errorMessage(error) {
    if (Gio.DBusError.is_remote_error(error)) {
        const name = Gio.DBusError.get_remote_error(error);
        const copy = error.copy();
        Gio.DBusError.strip_remote_error(copy);
        if (name === ServiceError)
            return copy.message.replace(/^Error: /, '');
        if (name === 'org.freedesktop.DBus.Error.ServiceUnknown' ||
            name === 'org.freedesktop.DBus.Error.Spawn.ChildExited' ||
            name.startsWith('org.freedesktop.DBus.Error.Spawn.'))
            return `Sumwise cannot be started: ${copy.message}`;
        return copy.message;
    }
    if (error.matches(Gio.IOErrorEnum, Gio.IOErrorEnum.TIMED_OUT))
        return 'Sumwise did not answer in time';
    return error.message;
}

// As the program's own failure notifications: the formula, shortened, above the message.
function notificationBody(formula, message) {
    const line = formula.trim().split(/\r\n|\n|\r/)[0];
    const shown = line.length > 60 || line !== formula.trim() ? `${line.slice(0, 60)}…` : line;
    return shown ? `${shown}\n${message}` : message;
}

function isTerminal(wmClass) {
    return !!wmClass && Terminals.includes(wmClass.toLowerCase());
}
