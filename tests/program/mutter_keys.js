// Presses keys in a GNOME Shell session through Mutter's RemoteDesktop interface, as a remote
// user would, keeping one session (one virtual keyboard) for the whole run.
//
//   gjs mutter_keys.js STEP...    STEP: ctrl+a, ctrl+alt+equal, escape, type:TEXT, sleep:MS
'use strict';

const {Gio, GLib} = imports.gi;

const Keysyms = {
    ctrl: 0xffe3, alt: 0xffe9, shift: 0xffe1, escape: 0xff1b, end: 0xff57, home: 0xff50,
    equal: 0x3d,
};
const Session = 'org.gnome.Mutter.RemoteDesktop.Session';

function call(path, iface, method, args, replyType = null) {
    return Gio.DBus.session.call_sync('org.gnome.Mutter.RemoteDesktop', path, iface, method,
        args, replyType && new GLib.VariantType(replyType), Gio.DBusCallFlags.NONE, 5000, null);
}

function sleep(ms) {
    const loop = new GLib.MainLoop(null, false);
    GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
        loop.quit();
        return GLib.SOURCE_REMOVE;
    });
    loop.run();
}

const [session] = call('/org/gnome/Mutter/RemoteDesktop', 'org.gnome.Mutter.RemoteDesktop',
    'CreateSession', null, '(o)').deepUnpack();
call(session, Session, 'Start', null);
const key = (keysym, down) =>
    call(session, Session, 'NotifyKeyboardKeysym', new GLib.Variant('(ub)', [keysym, down]));

for (const step of ARGV) {
    if (step.startsWith('sleep:')) {
        sleep(Number(step.slice(6)));
    } else if (step.startsWith('type:')) {
        for (const c of step.slice(5)) {
            key(c.codePointAt(0), true);
            key(c.codePointAt(0), false);
            sleep(20);
        }
    } else {
        const keysyms = step.split('+').map(name => Keysyms[name] ?? name.codePointAt(0));
        for (const keysym of keysyms) {
            key(keysym, true);
            sleep(20);
        }
        for (const keysym of keysyms.reverse()) {
            key(keysym, false);
            sleep(20);
        }
        sleep(150);
    }
}
call(session, Session, 'Stop', null);
