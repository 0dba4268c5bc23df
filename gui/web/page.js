// The page's side of the configuration dialog, for config_page.cpp: makes the controls it asks
// for, queues the user's events for it and carries out what it asks. It decides nothing itself.
//
// What the page's elements are called, for whoever drives the page (the browser tests):
//  - a control of the main dialog: "c" + its identifier in dialog/dialog_layout.h ("c1000" is
//    the callsign field, "c1025" the port list; a check box's id is on its <input>);
//  - a control of a small dialog: the dialog's name, "-c", the identifier ("about-c1" is the
//    About box's OK button); the small dialogs are <dialog> elements with ids "about",
//    "squelch" and "picker";
//  - a message box: <dialog id="message"> with "message-caption", "message-text",
//    "message-icon" (its data-icon "exclamation" or "stop") and the button "message-ok";
//  - the box asking a name to save under: <dialog id="save">, "save-name", "save-ok",
//    "save-cancel";
//  - the window menu: the button "menu-button", its entries "m" + the command in decimal
//    ("m16" About, "m32" open, "m48" save, "m64" examine the connection, "m80" choose a symbol);
//  - the port list's last entry, "Poort toevoegen...", has the value "add";
//  - the root element has the class "waiting" while the wait cursor shows; the body's
//    data-beeps counts the beeps, and its data-state is "running" once the dialog has started,
//    "ended" after "Sluit Af".
// Texts of the controls cross to and from the program as Latin-1, one byte per character.
function vindrelLatin1(pointer) {
  let text = '';
  for (let p = pointer; HEAPU8[p]; ++p) text += String.fromCharCode(HEAPU8[p]);
  return text;
}
// A copy of text in the program's memory (UTF-8, or Latin-1 when utf8 is false), which the
// program frees.
function vindrelToHeap(text, utf8) {
  const bytes = utf8 ? new TextEncoder().encode(text)
                     : Uint8Array.from(text, (c) => (c.charCodeAt(0) <= 0xff ? c.charCodeAt(0) : 0x3f));
  const pointer = _malloc(bytes.length + 1);
  HEAPU8.set(bytes, pointer);
  HEAPU8[pointer + bytes.length] = 0;
  return pointer;
}

var vindrelPage = (() => {
  // Event kinds, as config_page.cpp numbers them.
  const kCommand = 1, kDoubleClick = 2, kUserEdit = 3, kTimer = 4, kPortListOpening = 5,
        kSystemCommand = 6, kPortAdded = 7, kKey = 8, kPointer = 9;
  // Control kinds, in the order of ControlKind (dialog/dialog_layout.h).
  const kinds = ['group', 'label', 'centred', 'edit', 'check', 'button', 'combo', 'picture', 'cell'];
  const kAddPort = 'add';

  // The main dialog's events and those of the modal box over it, each waited for by the C++
  // side in turn.
  const queues = {main: [], modal: []};
  const waiting = {main: null, modal: null};
  const timers = new Map();
  const scopes = {};  // name ('' for the main dialog) -> {root, modal}
  let beeps = 0, waitDepth = 0, audio = null;

  const element = (tag, props = {}, parent = null) => {
    const e = Object.assign(document.createElement(tag), props);
    if (parent) parent.appendChild(e);
    return e;
  };
  const controlId = (scope, id) => (scope ? scope + '-c' : 'c') + id;
  const control = (id, scope = '') => document.getElementById(controlId(scope, id));

  function post(queue, kind, id) {
    queues[queue].push([kind, id]);
    const wake = waiting[queue];
    waiting[queue] = null;
    if (wake) wake();
  }

  // A character the tracker cannot hold (beyond one byte) is dropped as it is typed.
  function keepLatin1(input) {
    const kept = [...input.value].filter((c) => c.codePointAt(0) <= 0xff).join('');
    if (kept === input.value) return;
    const caret = input.selectionStart - (input.value.length - kept.length);
    input.value = kept;
    input.setSelectionRange(caret, caret);
    api.beep();
  }

  function makeControl(scope, id, kind, text, x, y, w, h, tabIndex) {
    const {root, modal} = scopes[scope];
    const queue = modal ? 'modal' : 'main';
    const place = (e) => {
      Object.assign(e.style, {left: x + 'px', top: y + 'px', width: w + 'px', height: h + 'px'});
      e.classList.add('control', kinds[kind]);
      root.appendChild(e);
      return e;
    };
    const named = (e) => {
      if (id >= 0) e.id = controlId(scope, id);
      if (tabIndex > 0) e.tabIndex = tabIndex;
      return e;
    };
    switch (kinds[kind]) {
      case 'group': {
        const frame = place(element('div'));
        if (text) element('span', {className: 'legend', textContent: text}, frame);
        return;
      }
      case 'label':
      case 'centred':
        named(place(element('div', {textContent: text})));
        return;
      case 'edit': {
        const input = named(place(element('input', {type: 'text', spellcheck: false})));
        input.setAttribute('aria-label', text);
        input.addEventListener('input', () => {
          keepLatin1(input);
          post(queue, kUserEdit, id);
        });
        // Enter in a field presses the default button, "Sluit Af".
        input.addEventListener('keydown', (event) => {
          if (event.key === 'Enter') post(queue, kCommand, 2);
        });
        return;
      }
      case 'check': {
        const box = place(element('label'));
        const input = named(element('input', {type: 'checkbox'}, box));
        element('span', {textContent: text}, box);
        input.addEventListener('click', () => post(queue, kCommand, id));
        return;
      }
      case 'button': {
        const button = named(place(element('button', {type: 'button', textContent: text})));
        button.addEventListener('click', () => post(queue, kCommand, id));
        return;
      }
      case 'combo': {
        const list = named(place(element('select')));
        list.style.height = '';
        list.setAttribute('aria-label', 'Poort');
        // About to drop down: the list is looked up anew (an adapter plugged in since shows).
        list.addEventListener('mousedown', () => post(queue, kPortListOpening, id));
        list.addEventListener('keydown', (event) => {
          if (event.key === 'F4' || (event.altKey && event.key === 'ArrowDown')) {
            post(queue, kPortListOpening, id);
          }
        });
        list.addEventListener('change', () => {
          if (list.value !== kAddPort) {
            list.dataset.chosen = list.selectedIndex;
            return;
          }
          // The browser's chooser needs the user's own click: it is asked for here, at once,
          // while the list shows its entry of before until a port is granted.
          list.selectedIndex = Number(list.dataset.chosen || -1);
          vindrelSerial.request().then((number) => {
            if (number > 0) post(queue, kPortAdded, number);
          });
        });
        return;
      }
      case 'picture': {
        const picture = named(place(element('img', {alt: '', draggable: false})));
        picture.addEventListener('dblclick', () => post(queue, kDoubleClick, id));
        if (id > 0 && scope) api.showPicture(id, id, scope);
        return;
      }
      case 'cell': {
        const cell = named(place(element('button', {type: 'button', title: text})));
        cell.setAttribute('aria-label', text);
        // Only the current cell is a tab stop, at the grid's place in the order.
        cell.dataset.tabIndex = tabIndex;
        cell.tabIndex = -1;
        element('img', {src: 'icons/' + id + '.png', alt: '', draggable: false}, cell);
        cell.addEventListener('click', () => post(queue, kCommand, id));
        cell.addEventListener('mouseenter', () => post(queue, kPointer, id));
        cell.addEventListener('mouseleave', () => post(queue, kPointer, 0));
        cell.addEventListener('keydown', (event) => {
          const key = ['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown'].indexOf(event.key);
          if (key < 0) return;
          event.preventDefault();
          post(queue, kKey, key);
        });
        return;
      }
    }
  }

  const icons = {
    exclamation:
        '<svg viewBox="0 0 32 32"><path d="M16 2 31 29H1z" fill="#fc0" stroke="#000"/>' +
        '<path d="M14.5 10h3l-.6 10h-1.8zM14.5 23h3v3h-3z"/></svg>',
    stop: '<svg viewBox="0 0 32 32"><circle cx="16" cy="16" r="14.5" fill="#d00" stroke="#800"/>' +
        '<path d="M10 10l12 12M22 10 10 22" stroke="#fff" stroke-width="3.5"/></svg>',
  };

  // A modal box of the page's own (not made from a template): returns it empty, with a title.
  function box(id, caption) {
    const old = document.getElementById(id);
    if (old) old.remove();
    const dialog = element('dialog', {id}, document.body);
    dialog.classList.add('box');
    element('div', {className: 'caption', id: id + '-caption', textContent: caption}, dialog);
    return dialog;
  }

  // Shows dialog modally until one of its buttons is pressed or Esc (cancelValue) ends it.
  function runBox(dialog, buttons, cancelValue, focus = buttons[0][0]) {
    return new Promise((resolve) => {
      const end = (value) => {
        dialog.close();
        dialog.remove();
        resolve(value);
      };
      // (No destructuring in for-of: the build's JavaScript minifier loses it.)
      buttons.forEach((pair) => pair[0].addEventListener('click', () => end(pair[1])));
      dialog.addEventListener('cancel', (event) => {
        event.preventDefault();
        end(cancelValue);
      });
      dialog.showModal();
      focus.focus();
      if (focus.select) focus.select();
    });
  }

  const api = {
    // The main dialog (scope '') or a small one, empty: title, client size in pixels.
    begin(scope, title, width, height) {
      if (!scope) {
        const frame = document.getElementById('dialog');
        document.getElementById('title').textContent = title;
        document.title = title;
        const root = document.getElementById('client');
        root.replaceChildren();
        Object.assign(root.style, {width: width + 'px', height: height + 'px'});
        frame.hidden = false;
        scopes[scope] = {root, modal: false};
        return;
      }
      const dialog = box(scope, title);
      const root = element('div', {className: 'client'}, dialog);
      Object.assign(root.style, {width: width + 'px', height: height + 'px'});
      dialog.addEventListener('cancel', (event) => {
        event.preventDefault();
        post('modal', kCommand, 2);
      });
      scopes[scope] = {root, modal: true, dialog};
    },
    add: makeControl,
    // Shows a small dialog modally, the focus on control focusId; end() takes it away.
    show(scope, focusId) {
      scopes[scope].dialog.showModal();
      const focus = control(focusId, scope);
      if (focus) focus.focus();
    },
    end(scope) {
      const {dialog} = scopes[scope];
      delete scopes[scope];
      dialog.close();
      dialog.remove();
      queues.modal.length = 0;
    },
    // An entry of the window menu.
    addMenuEntry(command, text) {
      const menu = document.getElementById('menu');
      if (command === 16) element('hr', {}, menu);
      const entry = element('button', {id: 'm' + command, type: 'button', textContent: text.replace('&', '')}, menu);
      entry.setAttribute('role', 'menuitem');
      entry.addEventListener('click', () => {
        menu.hidden = true;
        post('main', kSystemCommand, command);
      });
    },
    // The controls are there: the focus goes to control focusId, and the window's own keys and
    // menu begin to work.
    started(focusId) {
      const menu = document.getElementById('menu');
      const button = document.getElementById('menu-button');
      button.addEventListener('click', (event) => {
        event.stopPropagation();
        menu.hidden = !menu.hidden;
        if (!menu.hidden) menu.querySelector('button').focus();
      });
      document.addEventListener('click', () => (menu.hidden = true));
      document.addEventListener('keydown', (event) => {
        if (event.key !== 'Escape' || document.querySelector('dialog[open]')) return;
        if (!menu.hidden) return (menu.hidden = true);
        post('main', kCommand, 2);  // Esc stands for "Sluit Af", as in the desktop dialog
      });
      document.body.dataset.state = 'running';
      const focus = control(focusId);
      if (focus) focus.focus();
    },
    ended() {
      for (const timer of timers.values()) clearInterval(timer);
      timers.clear();
      document.getElementById('dialog').hidden = true;
      document.getElementById('ended').hidden = false;
      document.body.dataset.state = 'ended';
    },

    // The next event of the main dialog or of the modal box: [kind, id].
    async next(queue) {
      while (!queues[queue].length) await new Promise((resolve) => (waiting[queue] = resolve));
      return queues[queue].shift();
    },
    // Menu entries and Esc on the main dialog.
    post,

    getText(id, scope = '') {
      const e = control(id, scope);
      return e instanceof HTMLInputElement ? e.value : e.textContent;
    },
    setText(id, text, scope = '') {
      const e = control(id, scope);
      if (e instanceof HTMLInputElement) e.value = text;
      else e.textContent = text;
    },
    setLimit: (id, limit) => (control(id).maxLength = limit),
    getCheck: (id) => control(id).checked,
    setCheck: (id, checked) => (control(id).checked = checked),
    enable: (id, enabled) => {
      const e = control(id);
      e.disabled = !enabled;
      const box = e.closest('label');
      if (box) box.classList.toggle('disabled', !enabled);
    },
    pendingPorts: [],
    focusAndSelect(id, scope = '') {
      const e = control(id, scope);
      if (e.classList.contains('cell')) {
        for (const cell of e.parentNode.querySelectorAll('.cell')) cell.tabIndex = -1;
        e.tabIndex = Number(e.dataset.tabIndex);
      }
      e.focus();
      if (e.select) e.select();
    },
    setPortList(entries, selected) {
      const list = control(1025);
      const shown = [...list.options].filter((o) => o.value !== kAddPort);
      const same = shown.length === entries.length &&
          shown.every((o, i) => o.text === entries[i][0] && o.title === entries[i][1]);
      if (!same) {
        list.replaceChildren();
        entries.forEach((entry) => element('option', {text: entry[0], title: entry[1]}, list));
        if ('serial' in navigator) {
          element('option', {text: 'Poort toevoegen...', value: kAddPort}, list);
        }
      }
      list.selectedIndex = selected;
      list.dataset.chosen = selected;
    },
    selectedPort() {
      const list = control(1025);
      return list.value === kAddPort ? -1 : list.selectedIndex;
    },
    selectPortNamed(text) {
      const list = control(1025);
      const index = [...list.options].findIndex((o) => o.text === text);
      if (index >= 0) list.selectedIndex = list.dataset.chosen = index;
    },
    remembered: () => localStorage.getItem('vindrel-config.port') || '',
    remember: (entry) => localStorage.setItem('vindrel-config.port', entry),

    async message(caption, text, icon) {
      const dialog = box('message', caption);
      const body = element('div', {className: 'message-body'}, dialog);
      const picture = element('div', {id: 'message-icon', innerHTML: icons[icon]}, body);
      picture.dataset.icon = icon;
      element('div', {id: 'message-text', textContent: text}, body);
      const ok = element('button', {id: 'message-ok', type: 'button', textContent: 'OK'}, dialog);
      await runBox(dialog, [[ok, 1]], 1);
    },
    beep() {
      document.body.dataset.beeps = ++beeps;
      try {
        audio = audio || new AudioContext();
        const tone = audio.createOscillator(), gain = audio.createGain();
        gain.gain.value = 0.1;
        tone.frequency.value = 880;
        tone.connect(gain).connect(audio.destination);
        tone.start();
        tone.stop(audio.currentTime + 0.12);
      } catch (error) {
        // no sound here: the count above still tells
      }
    },
    beginWait() {
      if (waitDepth++ === 0) document.documentElement.classList.add('waiting');
    },
    endWait() {
      if (waitDepth > 0 && --waitDepth === 0) document.documentElement.classList.remove('waiting');
    },
    // An identifier that no icon has clears the picture.
    showPicture(id, iconId, scope = '') {
      const picture = control(id, scope);
      picture.style.visibility = 'hidden';
      if (iconId <= 0) return picture.removeAttribute('src');
      picture.onload = () => (picture.style.visibility = '');
      picture.onerror = () => picture.removeAttribute('src');
      picture.src = 'icons/' + iconId + '.png';
    },
    // Ticks that fall due while the dialog is busy are dropped, as on the desktop.
    startTimer(timerId, periodMs) {
      api.stopTimer(timerId);
      timers.set(timerId, setInterval(() => {
        if (waiting.main && !queues.main.length) post('main', kTimer, timerId);
      }, periodMs));
      return timerId;
    },
    stopTimer(timerId) {
      clearInterval(timers.get(timerId));
      timers.delete(timerId);
    },

    // The file the user picks, copied into folder in the program's files: its name, or ''.
    async chooseFile(folder) {
      const input = element('input', {type: 'file', accept: '.json,.bin'});
      const file = await new Promise((resolve) => {
        input.addEventListener('change', () => resolve(input.files[0] || null));
        input.addEventListener('cancel', () => resolve(null));
        input.click();
      });
      if (!file) return '';
      const name = file.name.replace(/[\/\\]/g, '_');
      FS.mkdirTree(folder);
      FS.writeFile(folder + '/' + name, new Uint8Array(await file.arrayBuffer()));
      return name;
    },
    // A name to save under, asked for in a box; '' when the user cancelled.
    async chooseSaveName(suggested) {
      const dialog = box('save', 'Instellingen opslaan');
      const body = element('label', {className: 'save-body', textContent: 'Bestandsnaam '}, dialog);
      const name = element('input', {id: 'save-name', type: 'text', value: suggested}, body);
      const ok = element('button', {id: 'save-ok', type: 'button', textContent: 'Opslaan'}, dialog);
      const cancel =
          element('button', {id: 'save-cancel', type: 'button', textContent: 'Annuleren'}, dialog);
      name.addEventListener('keydown', (event) => {
        if (event.key === 'Enter') ok.click();
      });
      const chosen = await runBox(dialog, [[ok, true], [cancel, false]], false, name);
      return chosen ? name.value.trim().replace(/[\/\\]/g, '_') : '';
    },
    // Hands a file of the program's to the browser as a download.
    download(path, name) {
      const url = URL.createObjectURL(new Blob([FS.readFile(path)]));
      const link = element('a', {href: url, download: name}, document.body);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(url), 60000);
    },
  };
  return api;
})();
