// LV Monitor's web page: follows the live feed (docs/web-api.md) and, when the program allows
// it, sends the remote control's commands. Everything the console sends is set as text, never
// as HTML.
"use strict";

const token = new URLSearchParams(location.search).get("token");
const $ = (id) => document.getElementById(id);

function el(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

let socket = null;
let control = false;
const fixtures = new Map(); // n -> { card, values: [element per channel] }
const dimmers = new Map(); // n -> row
const faders = []; // 16 tiles
let showRows = [];

function send(command) {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send(JSON.stringify(command));
}

function setText(node, text) {
  if (node.textContent !== text) node.textContent = text;
}

// Link state and console type.
function renderLink(link) {
  setText($("link"), link.text);
  $("link").dataset.state = link.state;
  setText($("console"), link.console === null ? "" : "Console type " + link.console);
}

function renderOptions(options) {
  control = options.control;
  document.body.classList.toggle("control", control);
  $("page-control").hidden = !control;
  setText($("control"), control ? "Control from the web: on" : "Watching only");
}

// Fixtures: a card each, channel names beside their values.
function setValue(node, channel) {
  setText(node, channel.text);
  node.dataset.value = channel.value;
  node.classList.toggle("unconfirmed", !channel.confirmed);
  node.title = channel.confirmed ? "" : "Not yet confirmed by the console since the link came up.";
}

function renderFixture(f) {
  const old = fixtures.get(f.n);
  if (f.gone) {
    if (old) old.card.remove();
    fixtures.delete(f.n);
    return;
  }
  const card = el("article", "fixture");
  card.dataset.n = f.n;
  const head = el("h3", "", f.title);
  head.append(el("span", "name", f.name));
  card.append(head);
  const list = el("dl");
  const values = [];
  for (const ch of f.channels) {
    list.append(el("dt", "", ch.name));
    const dd = el("dd");
    const value = el("button", "value");
    value.type = "button";
    value.dataset.f = f.n;
    value.dataset.c = ch.c;
    value.dataset.name = ch.name;
    setValue(value, ch);
    dd.append(value);
    list.append(dd);
    values[ch.c] = value;
  }
  card.append(list);
  if (old) {
    old.card.replaceWith(card);
  } else {
    // In fixture order.
    let before = null;
    for (const [n, entry] of fixtures) if (n > f.n && (!before || n < before.n)) before = { n, card: entry.card };
    $("fixtures").insertBefore(card, before ? before.card : null);
  }
  fixtures.set(f.n, { card, values, name: f.name });
}

function renderChannel(ch) {
  const fixture = fixtures.get(ch.f);
  const node = fixture && fixture.values[ch.c];
  if (node) setValue(node, ch);
}

// Dimmers: a row each, in dimmer order.
function renderDimmer(d) {
  const old = dimmers.get(d.n);
  if (d.gone) {
    if (old) old.remove();
    dimmers.delete(d.n);
    return;
  }
  const row = old || el("tr");
  if (!old) {
    for (let i = 0; i < 5; ++i) row.append(el("td"));
    let before = null;
    for (const [n, r] of dimmers) if (n > d.n && (!before || n < before.n)) before = { n, r };
    $("dimmers").insertBefore(row, before ? before.r : null);
    dimmers.set(d.n, row);
  }
  const cells = row.children;
  setText(cells[0], d.n + " - " + d.name);
  setText(cells[1], String(d.fader));
  setText(cells[2], String(d.page));
  setText(cells[3], String(d.level));
  setText(cells[4], d.percent);
  row.classList.toggle("unconfirmed", !d.confirmed);
}

// The 16 faders: eight playback faders, eight flex faders.
function renderPlayback(p) {
  let tile = faders[p.n - 1];
  if (!tile) {
    tile = el("div", "fader");
    tile.append(el("h3", "", (p.flex ? "Flex fader " : "PB fader ") + p.fader),
      el("p", "memory"), el("p", "name"), el("p", "level"));
    faders[p.n - 1] = tile;
    const holder = $("playbacks");
    holder.append(tile);
  }
  tile.classList.toggle("unassigned", !p.assigned);
  setText(tile.children[1], p.assigned ? p.memory : "");
  setText(tile.children[2], p.assigned ? p.name : "");
  setText(tile.children[3], p.assigned ? p.percent : "");
}

// The memory page: its caption and entries; with control, an entry picks it on the console.
function renderPage(page) {
  setText($("page-caption"), page.caption);
  setText($("page-number"), page.numberHeader || "#");
  setText($("page-name"), page.nameHeader || "Name");
  $("page-selected").hidden = !page.fixturePage;
  const body = $("page");
  body.replaceChildren();
  if (!page.shown) return;
  for (const entry of page.entries) {
    const row = el("tr");
    const name = el("td");
    const pick = el("button", "entry", entry.name);
    pick.type = "button";
    pick.dataset.entry = entry.n;
    name.append(pick);
    row.append(el("td", "", String(entry.n)), name);
    if (page.fixturePage) row.append(el("td", "sel", entry.selected ? "X" : ""));
    body.append(row);
  }
}

// The show list, ">" on the step that plays.
function renderShow(show) {
  setText($("show-caption"), show.caption);
  const body = $("show");
  body.replaceChildren();
  showRows = show.steps.map((step) => {
    const row = el("tr");
    row.append(el("td", "marker"), el("td", "", String(step.n)), el("td", "", step.text));
    body.append(row);
    return row;
  });
}

function renderMarker(marked) {
  showRows.forEach((row, i) => {
    const on = i + 1 === marked;
    setText(row.children[0], on ? ">" : "");
    row.classList.toggle("playing", on);
  });
}

function snapshot(s) {
  fixtures.forEach((f) => f.card.remove());
  fixtures.clear();
  dimmers.forEach((row) => row.remove());
  dimmers.clear();
  renderLink(s.link);
  renderOptions(s.options);
  s.fixtures.forEach(renderFixture);
  s.dimmers.forEach(renderDimmer);
  s.playbacks.forEach(renderPlayback);
  renderPage(s.page);
  renderShow(s.show);
  renderMarker(s.marker);
}

function change(c) {
  if (c.link) renderLink(c.link);
  if (c.options) renderOptions(c.options);
  if (c.fixtures) c.fixtures.forEach(renderFixture);
  if (c.channels) c.channels.forEach(renderChannel);
  if (c.dimmers) c.dimmers.forEach(renderDimmer);
  if (c.playbacks) c.playbacks.forEach(renderPlayback);
  if (c.page) renderPage(c.page);
  if (c.show) renderShow(c.show);
  if (c.marker !== undefined) renderMarker(c.marker);
}

function note(text) {
  setText($("control"), text);
}

function connect() {
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  const query = token ? "?token=" + encodeURIComponent(token) : "";
  socket = new WebSocket(scheme + location.host + "/live" + query);
  socket.onmessage = (event) => {
    const m = JSON.parse(event.data);
    if (m.type === "snapshot") snapshot(m);
    else if (m.type === "change") change(m);
    else if (m.type === "refused") note("Not sent: " + m.reason);
    else if (m.type === "sent") note("Sent to the console");
  };
  socket.onclose = (event) => {
    $("link").dataset.state = "offline";
    if (event.code === 1008) {
      setText($("link"), "The program refused the page: " + (event.reason || "no access"));
      return;
    }
    setText($("link"), "The program is not answering; trying again\u2026");
    setTimeout(connect, 2000);
  };
}

// The remote control.
$("page-show").addEventListener("click", () => send({ cmd: "pageKind", kind: Number($("page-kind").value) }));
$("page-down").addEventListener("click", () => send({ cmd: "pageDown" }));
$("page-up").addEventListener("click", () => send({ cmd: "pageUp" }));
$("page").addEventListener("click", (event) => {
  const pick = event.target.closest("button.entry");
  if (pick && control) send({ cmd: "pick", entry: Number(pick.dataset.entry), add: event.ctrlKey || event.metaKey });
});

// Setting a channel's value.
let editing = null;
$("fixtures").addEventListener("click", (event) => {
  const value = event.target.closest("button.value");
  if (!value || !control) return;
  editing = { fixture: Number(value.dataset.f), channel: Number(value.dataset.c) };
  const fixture = fixtures.get(editing.fixture);
  setText($("edit-title"), "Fixture " + editing.fixture + " - " + fixture.name + ", " + value.dataset.name);
  $("edit-value").value = value.dataset.value;
  $("edit").showModal();
  $("edit-value").select();
});
$("edit-form").addEventListener("submit", () => {
  const v = Number($("edit-value").value);
  if (editing && Number.isInteger(v) && v >= 0 && v <= 255) send({ cmd: "channel", fixture: editing.fixture, channel: editing.channel, value: v });
});
$("edit-cancel").addEventListener("click", () => $("edit").close());

connect();
