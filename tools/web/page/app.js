// The pilot's page: follows corvessa-web's event stream and draws the route,
// the aircraft and its track on a map without tiles, shows the instruments,
// and sends the pause and spoilers commands.
"use strict";

const flight = {
  route: [],        // {index, id, lat, lon} of the listed waypoints
  record: null,     // the latest telemetry record
  track: [],        // [lat, lon] of every position received
  notice: null,     // the latest notice word
  link: "connecting",
  streamOpen: false,
};

// The map's view: its centre and how many pixels one degree of latitude spans.
const view = { lat: 0, lon: 0, pixelsPerDegree: 60, follow: true, placed: false };

const kLongestTrack = 20000;      // positions kept; about four hours of records
const kNoticeShownMs = 10000;     // UNPAUSED and RESET are shown this long
const kZoomStep = 1.5;
const kGraticuleSteps = [0.05, 0.1, 0.25, 0.5, 1, 2, 5, 10, 15, 30];
const kGraticuleSpacingPx = 90;   // the smallest gap between two graticule lines

const $ = (id) => document.getElementById(id);
const canvas = $("map");
const context = canvas.getContext("2d");

// --- The event stream ------------------------------------------------------

function connect() {
  const stream = new EventSource("events");
  stream.onopen = () => { flight.streamOpen = true; showLink(); };
  stream.onmessage = (message) => take(JSON.parse(message.data));
  stream.onerror = () => {
    flight.streamOpen = false;
    showLink();
    // The browser retries by itself unless the server answered with an error.
    if (stream.readyState === EventSource.CLOSED) {
      setTimeout(connect, 2000);
    }
  };
}

function take(event) {
  switch (event.event) {
    case "route":
      flight.route = event.entries.filter((entry) => entry.id !== undefined);
      view.placed = false;
      break;
    case "telemetry":
      takeRecord(event);
      break;
    case "notice":
      flight.notice = event.notice;
      showBanner(event.notice);
      break;
    case "connection":
      flight.link = event.state;
      break;
  }
  showLink();
  showInstruments();
  requestDraw();
}

function takeRecord(record) {
  const lat = parseFloat(record.latitudeText);
  const lon = parseFloat(record.longitudeText);
  flight.record = record;
  if (!Number.isFinite(lat) || !Number.isFinite(lon)) {
    return;
  }
  const last = flight.track[flight.track.length - 1];
  if (!last || last[0] !== lat || last[1] !== lon) {
    flight.track.push([lat, lon]);
    if (flight.track.length > kLongestTrack) {
      flight.track.splice(0, flight.track.length - kLongestTrack);
    }
  }
  // A record says the simulator runs, whatever the last notice said.
  if (flight.notice === "PAUSED") {
    flight.notice = null;
    showBanner(null);
  }
}

// --- Connection, banner, instruments ---------------------------------------

const kLinkTexts = {
  connecting: "Connecting…",
  registering: "Registering with the relay…",
  receiving: "Receiving",
  silent: "Relay silent",
  "registering again": "Registering again",
  paused: "Simulator paused",
};

function showLink() {
  const element = $("link");
  const state = flight.streamOpen ? flight.link : "lost";
  element.dataset.state = state;
  element.textContent = state === "lost" ? "Stream lost — reconnecting" : (kLinkTexts[state] || state);
}

let bannerTimer = null;

function showBanner(word) {
  const banner = $("banner");
  clearTimeout(bannerTimer);
  banner.hidden = !word;
  banner.textContent = word || "";
  if (word) {
    banner.dataset.notice = word;
  } else {
    delete banner.dataset.notice;
  }
  const paused = word === "PAUSED";
  $("pause").textContent = paused ? "Resume" : "Pause";
  $("pause").classList.toggle("paused", paused);
  if (word && !paused) {
    bannerTimer = setTimeout(() => showBanner(null), kNoticeShownMs);
  }
}

const kPhases = ["—", "CLIMB", "CRUISE", "DESCENT"];

function three(degrees) {
  return String(((Math.trunc(degrees) % 360) + 360) % 360).padStart(3, "0");
}

function grouped(number) {
  return Math.trunc(number).toLocaleString("en-US");
}

function setText(id, text) {
  const element = $(id);
  if (element.textContent !== text) {
    element.textContent = text;
  }
}

// The arrow shows where the wind blows to; its number, where it comes from.
function showWind(textId, arrowId, direction, speed) {
  setText(textId, `${three(direction)}° ${speed} kt`);
  $(arrowId).style.transform = `rotate(${(direction + 180) % 360}deg)`;
}

function showInstruments() {
  const r = flight.record;
  if (!r) {
    return;
  }
  setText("alt", grouped(r.altitudeFeet));
  setText("vs", (r.verticalSpeedFps > 0 ? "+" : "") + grouped(r.verticalSpeedFps * 60));
  setText("ias", String(r.indicatedAirspeedKnots));
  setText("tas", String(r.trueAirspeedKnots));
  setText("mach", (r.machMilli / 1000).toFixed(3));
  setText("gs", String(r.groundSpeedKnots));
  setText("hdg", three(r.headingDegrees));
  setText("phase", kPhases[r.phase] || `phase ${r.phase}`);
  showWind("wind", "wind-arrow", r.windDirectionDegrees, r.windSpeedKnots);
  showWind("ahead", "ahead-arrow", r.aheadWindDirection, r.aheadWindSpeed);
  setText("temp", String(r.temperatureCelsius));
  setText("fuel", grouped(r.fuelPounds));
  setText("spoilers", r.spoilerState ? "OUT" : "IN");
  // Spoilers out in cruise: the speed control is holding the aircraft inside its window.
  const holding = r.spoilerState === 1 && r.phase === 2;
  $("window-tile").hidden = !holding;
  if (holding) {
    setText("window", `Spoilers out to stay inside the speed window: IAS ${r.indicatedAirspeedKnots} kt, M${(r.machMilli / 1000).toFixed(3)}`);
  }
  setText("position", `${formatLat(parseFloat(r.latitudeText))}  ${formatLon(parseFloat(r.longitudeText))}`);
}

function formatLat(lat) {
  return `${Math.abs(lat).toFixed(4)}°${lat < 0 ? "S" : "N"}`;
}

function formatLon(lon) {
  return `${Math.abs(lon).toFixed(4)}°${lon < 0 ? "W" : "E"}`;
}

// --- The map ---------------------------------------------------------------

let drawPending = false;

function requestDraw() {
  if (!drawPending) {
    drawPending = true;
    requestAnimationFrame(() => { drawPending = false; draw(); });
  }
}

// Equirectangular about the view's centre, longitudes shortened by the
// cosine of its latitude so that shapes keep their proportions nearby.
function project(lat, lon, size) {
  const squeeze = Math.cos(view.lat * Math.PI / 180);
  let dLon = lon - view.lon;
  dLon -= 360 * Math.round(dLon / 360);
  return [size.width / 2 + dLon * squeeze * view.pixelsPerDegree,
          size.height / 2 - (lat - view.lat) * view.pixelsPerDegree];
}

function unproject(x, y, size) {
  const squeeze = Math.cos(view.lat * Math.PI / 180);
  return [view.lat - (y - size.height / 2) / view.pixelsPerDegree,
          view.lon + (x - size.width / 2) / (squeeze * view.pixelsPerDegree)];
}

function placeView(size) {
  const points = flight.route.map((w) => [w.lat, w.lon]).concat(flight.track);
  if (points.length === 0 || view.placed) {
    return;
  }
  view.placed = true;
  const lats = points.map((p) => p[0]);
  const lons = points.map((p) => p[1]);
  const north = Math.max(...lats), south = Math.min(...lats);
  const east = Math.max(...lons), west = Math.min(...lons);
  view.lat = (north + south) / 2;
  view.lon = (east + west) / 2;
  const squeeze = Math.cos(view.lat * Math.PI / 180);
  const spanY = Math.max(north - south, 0.2);
  const spanX = Math.max((east - west) * squeeze, 0.2);
  view.pixelsPerDegree = 0.85 * Math.min(size.height / spanY, size.width / spanX);
}

function draw() {
  const ratio = window.devicePixelRatio || 1;
  const size = { width: canvas.clientWidth, height: canvas.clientHeight };
  if (canvas.width !== Math.round(size.width * ratio) || canvas.height !== Math.round(size.height * ratio)) {
    canvas.width = Math.round(size.width * ratio);
    canvas.height = Math.round(size.height * ratio);
  }
  context.setTransform(ratio, 0, 0, ratio, 0, 0);
  context.fillStyle = "#0b0f14";
  context.fillRect(0, 0, size.width, size.height);
  placeView(size);
  const aircraft = flight.track[flight.track.length - 1];
  if (view.follow && aircraft) {
    [view.lat, view.lon] = aircraft;
  }
  drawGraticule(size);
  drawRoute(size);
  drawTrack(size);
  if (aircraft && flight.record) {
    drawAircraft(project(aircraft[0], aircraft[1], size), flight.record.headingDegrees);
  }
  canvas.dataset.route = String(flight.route.length);
  canvas.dataset.track = String(flight.track.length);
}

function graticuleStep() {
  return kGraticuleSteps.find((step) => step * view.pixelsPerDegree >= kGraticuleSpacingPx) || 30;
}

function degreeLabel(value, positive, negative) {
  const rounded = Math.round(value * 100) / 100;
  return `${Math.abs(rounded)}°${rounded < 0 ? negative : (rounded > 0 ? positive : "")}`;
}

function drawGraticule(size) {
  const step = graticuleStep();
  const [top, left] = unproject(0, 0, size);
  const [bottom, right] = unproject(size.width, size.height, size);
  context.strokeStyle = "#1c2835";
  context.lineWidth = 1;
  context.fillStyle = "#5d7084";
  context.font = "11px system-ui, sans-serif";
  context.beginPath();
  for (let lat = Math.ceil(bottom / step) * step; lat <= top; lat += step) {
    const y = project(lat, view.lon, size)[1];
    context.moveTo(0, y);
    context.lineTo(size.width, y);
    context.fillText(degreeLabel(lat, "N", "S"), 4, y - 3);
  }
  for (let lon = Math.ceil(left / step) * step; lon <= right; lon += step) {
    const x = project(view.lat, lon, size)[0];
    context.moveTo(x, 0);
    context.lineTo(x, size.height);
    const wrapped = ((lon + 540) % 360) - 180;
    context.fillText(degreeLabel(wrapped, "E", "W"), x + 3, size.height - 28);
  }
  context.stroke();
}

function drawRoute(size) {
  if (flight.route.length === 0) {
    return;
  }
  const points = flight.route.map((w) => project(w.lat, w.lon, size));
  context.strokeStyle = "#c678dd";
  context.lineWidth = 2;
  context.beginPath();
  points.forEach(([x, y], i) => (i === 0 ? context.moveTo(x, y) : context.lineTo(x, y)));
  context.stroke();
  context.font = "600 12px system-ui, sans-serif";
  flight.route.forEach((waypoint, i) => {
    const [x, y] = points[i];
    context.fillStyle = "#0b0f14";
    context.strokeStyle = "#c678dd";
    context.beginPath();
    context.arc(x, y, 4, 0, 2 * Math.PI);
    context.fill();
    context.stroke();
    context.fillStyle = "#e6c8f2";
    context.fillText(waypoint.id, x + 7, y - 6);
  });
}

function drawTrack(size) {
  if (flight.track.length < 2) {
    return;
  }
  context.strokeStyle = "#5ec8ff";
  context.globalAlpha = 0.8;
  context.lineWidth = 2;
  context.beginPath();
  flight.track.forEach(([lat, lon], i) => {
    const [x, y] = project(lat, lon, size);
    i === 0 ? context.moveTo(x, y) : context.lineTo(x, y);
  });
  context.stroke();
  context.globalAlpha = 1;
}

function drawAircraft([x, y], heading) {
  context.save();
  context.translate(x, y);
  context.rotate(heading * Math.PI / 180);
  context.fillStyle = "#ffd866";
  context.strokeStyle = "#0b0f14";
  context.lineWidth = 1.5;
  context.beginPath();
  // Nose up before the rotation: fuselage, wings, tail.
  context.moveTo(0, -14);
  context.lineTo(2.5, -5);
  context.lineTo(13, 2);
  context.lineTo(13, 5);
  context.lineTo(2.5, 1);
  context.lineTo(2, 9);
  context.lineTo(6, 12);
  context.lineTo(6, 14);
  context.lineTo(0, 12);
  context.lineTo(-6, 14);
  context.lineTo(-6, 12);
  context.lineTo(-2, 9);
  context.lineTo(-2.5, 1);
  context.lineTo(-13, 5);
  context.lineTo(-13, 2);
  context.lineTo(-2.5, -5);
  context.closePath();
  context.fill();
  context.stroke();
  context.restore();
}

// --- The pilot's hands -------------------------------------------------------

function zoom(factor) {
  view.pixelsPerDegree = Math.min(Math.max(view.pixelsPerDegree * factor, 0.5), 50000);
  requestDraw();
}

function setFollow(on) {
  view.follow = on;
  $("follow").classList.toggle("on", on);
  $("follow").setAttribute("aria-pressed", String(on));
  requestDraw();
}

function command(name, button) {
  button.disabled = true;
  fetch(`command/${name}`, { method: "POST" })
    .catch(() => {})
    .finally(() => { button.disabled = false; });
}

function dragToPan() {
  let from = null;
  canvas.addEventListener("pointerdown", (e) => {
    from = [e.clientX, e.clientY];
    canvas.setPointerCapture(e.pointerId);
  });
  canvas.addEventListener("pointermove", (e) => {
    if (!from) {
      return;
    }
    const squeeze = Math.cos(view.lat * Math.PI / 180);
    view.lat += (e.clientY - from[1]) / view.pixelsPerDegree;
    view.lon -= (e.clientX - from[0]) / (squeeze * view.pixelsPerDegree);
    from = [e.clientX, e.clientY];
    setFollow(false);
  });
  const end = () => { from = null; };
  canvas.addEventListener("pointerup", end);
  canvas.addEventListener("pointercancel", end);
  canvas.addEventListener("wheel", (e) => {
    e.preventDefault();
    zoom(e.deltaY < 0 ? kZoomStep : 1 / kZoomStep);
  }, { passive: false });
}

$("zoom-in").addEventListener("click", () => zoom(kZoomStep));
$("zoom-out").addEventListener("click", () => zoom(1 / kZoomStep));
$("follow").addEventListener("click", () => setFollow(!view.follow));
$("pause").addEventListener("click", (e) => command("pause", e.currentTarget));
$("spoilers-button").addEventListener("click", (e) => command("spoilers", e.currentTarget));
dragToPan();
window.addEventListener("resize", requestDraw);
showLink();
connect();
requestDraw();
