/* exported init */
// Binds the four shortcuts inside the Shell, where the selection and the keyboard of every
// application, Wayland or X11, are within reach; the calculation stays in the provider.
'use strict';

const {Clutter, Gio, GLib, Meta, Shell, St} = imports.gi;
const Main = imports.ui.main;
const ExtensionUtils = imports.misc.extensionUtils;
const Routine = ExtensionUtils.getCurrentExtension().imports.routine;

const Services = ['substitute', 'add', 'show', 'copy'];
// Long enough for the user to let go of a shortcut; a key still held then is stuck.
const ReleaseTimeoutMs = 5000;
const PollMs = 20;
// Lets the application see the shortcut's keys up before the synthesized ones come.
const SettleMs = 50;
// How long the focused window may take to answer a copy request.
const CopyTimeoutMs = 1000;
// How long the application has to take the result before the clipboard is given back.
const RestoreMs = 1000;
const CallTimeoutMs = 15000;
const Held = Clutter.ModifierType.SHIFT_MASK | Clutter.ModifierType.CONTROL_MASK |
    Clutter.ModifierType.MOD1_MASK | Clutter.ModifierType.SUPER_MASK |
    Clutter.ModifierType.META_MASK | Clutter.ModifierType.HYPER_MASK |
    Clutter.ModifierType.MOD4_MASK;
const {SELECTION_PRIMARY: Primary, SELECTION_CLIPBOARD: Clipboard} = Meta.SelectionType;

class Failure extends Error {}

function stType(type) {
    return type === Primary ? St.ClipboardType.PRIMARY : St.ClipboardType.CLIPBOARD;
}

class SumwiseExtension {
    enable() {
        this._settings = ExtensionUtils.getSettings();
        const seat = Clutter.get_default_backend().get_default_seat();
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._selection = global.display.get_selection();
        this._cancellable = new Gio.Cancellable();
        this._timeouts = new Set();
        this._waiter = null;
        this._busy = false;
        // Wayland does not say whose PRIMARY it is: only one taken since the focus came to
        // this window is surely its own.
        this._primaryIsFocused = false;
        this._owner = null;
        this._focusId = global.display.connect('notify::focus-window', () => {
            this._primaryIsFocused = false;
        });
        this._ownerId = this._selection.connect('owner-changed', (_s, type, owner) => {
            if (type === Primary)
                this._primaryIsFocused = owner !== null;
            if (type === Clipboard)
                this._owner = owner;
            if (this._waiter?.type === type)
                this._waiter.resolve(true);
        });
        for (const service of Services) {
            Main.wm.addKeybinding(service, this._settings, Meta.KeyBindingFlags.NONE,
                Shell.ActionMode.NORMAL, () => this._start(service));
        }
    }

    disable() {
        for (const service of Services)
            Main.wm.removeKeybinding(service);
        global.display.disconnect(this._focusId);
        this._selection.disconnect(this._ownerId);
        this._cancellable.cancel();
        for (const id of this._timeouts)
            GLib.source_remove(id);
        this._timeouts.clear();
        this._keyboard.run_dispose();
        this._keyboard = null;
        this._selection = null;
        this._settings = null;
        this._waiter = null;
        this._owner = null;
    }

    _start(service) {
        if (this._busy)
            return;
        this._busy = true;
        const cancellable = this._cancellable;
        this._run(service, cancellable).catch(error => {
            if (!cancellable.is_cancelled())
                logError(error, 'Sumwise');
        }).finally(() => {
            this._busy = false;
        });
    }

    async _run(service, cancellable) {
        let formula = '';
        let previous;
        let expected = null;
        try {
            if (!await this._modifiersReleased())
                throw new Failure('The keys of the shortcut were not released');
            await this._sleep(SettleMs);
            const terminal = Routine.isTerminal(global.display.focus_window?.get_wm_class());
            let text = this._primaryIsFocused ? await this._text(Primary) : '';
            if (!text) {
                previous = await this._save();
                this._waiter = {type: Clipboard};
                const copied = new Promise(resolve => {
                    this._waiter.resolve = resolve;
                });
                this._chord(terminal ? [Clutter.KEY_Shift_L, Clutter.KEY_c] : [Clutter.KEY_c]);
                const owned = await Promise.race([copied, this._sleep(CopyTimeoutMs, false)]);
                this._waiter = null;
                expected = owned ? this._owner : null;
                text = owned ? await this._text(Clipboard) : '';
                if (!text)
                    throw new Failure('Nothing is selected in the window you are typing in');
            }
            const [body, lineBreak] = Routine.splitLineBreak(text);
            formula = body;
            const numbers = Routine.numbersLocale(name => GLib.getenv(name));
            const languages = Routine.requestLanguages(GLib.get_language_names());
            const reply = await this._call(service, Routine.buildRequest(body, numbers, languages),
                cancellable);
            const result = Routine.resultOf(service, reply, lineBreak);
            if (!result) {
                this._restore(previous, expected);
                return;
            }
            if (service === 'copy') {
                this._own(result);
                return;
            }
            previous ??= await this._save();
            expected = this._own(result);
            this._chord(terminal ? [Clutter.KEY_Shift_L, Clutter.KEY_v] : [Clutter.KEY_v]);
            await this._sleep(RestoreMs);
            this._restore(previous, expected);
        } catch (error) {
            if (cancellable.is_cancelled())
                throw error;
            this._restore(previous, expected);
            const message = error instanceof Failure ? error.message
                : error instanceof GLib.Error ? Routine.errorMessage(error) : error.message;
            const body = Routine.notificationBody(formula, message);
            // The journal keeps what the notification shows only for a while.
            log(`Sumwise: ${body.replace(/\n/g, ': ')}`);
            Main.notify('Sumwise', body);
        }
    }

    _sleep(ms, value = true) {
        return new Promise(resolve => {
            const id = GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
                this._timeouts.delete(id);
                resolve(value);
                return GLib.SOURCE_REMOVE;
            });
            this._timeouts.add(id);
        });
    }

    async _modifiersReleased() {
        for (let waited = 0; waited < ReleaseTimeoutMs; waited += PollMs) {
            const [, , mods] = global.get_pointer();
            if (!(mods & Held))
                return true;
            await this._sleep(PollMs);
        }
        return false;
    }

    _chord(keys) {
        const keyval = [Clutter.KEY_Control_L, ...keys];
        const time = GLib.get_monotonic_time();
        for (const key of keyval)
            this._keyboard.notify_keyval(time, key, Clutter.KeyState.PRESSED);
        for (const key of keyval.reverse())
            this._keyboard.notify_keyval(time, key, Clutter.KeyState.RELEASED);
    }

    _text(type) {
        return new Promise(resolve => {
            St.Clipboard.get_default().get_text(stType(type), (_c, text) => resolve(text ?? ''));
        });
    }

    // The clipboard's text, or else its first format: a memory source holds only one.
    async _save() {
        const clipboard = St.Clipboard.get_default();
        const types = clipboard.get_mimetypes(St.ClipboardType.CLIPBOARD);
        if (types.length === 0)
            return {empty: true};
        if (types.some(t => t.startsWith('text/plain') || t === 'UTF8_STRING' || t === 'STRING'))
            return {text: await this._text(Clipboard)};
        const bytes = await new Promise(resolve => {
            clipboard.get_content(St.ClipboardType.CLIPBOARD, types[0], (_c, b) => resolve(b));
        });
        return bytes ? {mimeType: types[0], bytes: bytes.toArray()} : {empty: true};
    }

    // Only while the clipboard still holds what this run put there. An empty one stays as it
    // is: Mutter's clipboard manager would put the last text back at once.
    _restore(previous, expected) {
        if (previous && !previous.empty && expected && this._owner === expected)
            this._own(previous);
    }

    _call(service, parameters, cancellable) {
        return new Promise((resolve, reject) => {
            Gio.DBus.session.call('org.sumwise.Sumwise', '/org/sumwise/Sumwise',
                'org.sumwise.Sumwise', Routine.serviceMethod(service), parameters,
                new GLib.VariantType('(a{sv})'), Gio.DBusCallFlags.NONE,
                service === 'show' ? GLib.MAXINT32 : CallTimeoutMs, cancellable,
                (connection, res) => {
                    try {
                        resolve(connection.call_finish(res));
                    } catch (e) {
                        reject(e);
                    }
                });
        });
    }

    _own({text, mimeType, bytes}) {
        const content = text === undefined ? bytes : new TextEncoder().encode(text);
        const source = Meta.SelectionSourceMemory.new(mimeType ?? Routine.PlainText,
            new GLib.Bytes(content));
        this._selection.set_owner(Clipboard, source);
        this._owner = source;
        return source;
    }
}

function init() {
    return new SumwiseExtension();
}
