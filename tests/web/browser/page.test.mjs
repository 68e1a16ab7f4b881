// The pilot's page in a real browser: Debian's chromium, headless, driven by
// playwright-core, watching a demo flight of the stand-in simulator through
// corvessa and corvessa-web.
//
//   node page.test.mjs BUILD_DIR OUTPUT_DIR
//
// Exit status 0 passed, 1 failed, 77 skipped (no playwright-core or chromium).
import { spawn } from "node:child_process";
import dgram from "node:dgram";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const kSkipped = 77;
const chromiumPath = process.env.CORVESSA_CHROMIUM || "/usr/bin/chromium";
// Flags that keep chromium to the loopback page: no sandbox (CI runs as
// root), no GPU, and none of its own traffic.
const kChromiumFlags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
  "--no-first-run", "--disable-background-networking", "--disable-component-update",
  "--disable-sync"];
const kSpeedup = 60;        // the whole demo flight in about a minute
const kPauseHeldMs = 15000;

const [buildDir, outputDir] = process.argv.slice(2);
if (!buildDir || !outputDir) {
  console.error("usage: node page.test.mjs BUILD_DIR OUTPUT_DIR");
  process.exit(2);
}

let chromium;
try {
  ({ chromium } = await import("playwright-core"));
} catch {
  console.log(`SKIPPED: playwright-core is not installed (npm ci in ${path.dirname(new URL(import.meta.url).pathname)})`);
  process.exit(kSkipped);
}
if (!fs.existsSync(chromiumPath)) {
  console.log(`SKIPPED: no chromium at ${chromiumPath} (apt-get install chromium)`);
  process.exit(kSkipped);
}

fs.mkdirSync(outputDir, { recursive: true });
const runDir = fs.mkdtempSync(path.join(os.tmpdir(), "corvessa-web-page-"));
const children = [];
const contexts = [];

// A program of the build, its output collected (and kept in the output folder).
function start(name, program, args, env = {}) {
  const child = spawn(path.join(buildDir, program), args, {
    cwd: runDir, env: { ...process.env, ...env }, stdio: ["ignore", "pipe", "pipe"],
  });
  child.output = "";
  const keep = (data) => {
    child.output += data;
    fs.appendFileSync(path.join(outputDir, `${name}.txt`), data);
  };
  child.stdout.on("data", keep);
  child.stderr.on("data", keep);
  fs.writeFileSync(path.join(outputDir, `${name}.txt`), "");
  children.push(child);
  return child;
}

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

async function until(what, condition, timeoutMs = 30000) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await condition();
    if (value) {
      return value;
    }
    if (Date.now() > end) {
      throw new Error(`timed out waiting for ${what}`);
    }
    await sleep(100);
  }
}

function check(condition, what) {
  if (!condition) {
    throw new Error(what);
  }
  console.log(`ok: ${what}`);
}

async function freeUdpPort() {
  const socket = dgram.createSocket("udp4");
  await new Promise((resolve) => socket.bind(0, "127.0.0.1", resolve));
  const { port } = socket.address();
  await new Promise((resolve) => socket.close(resolve));
  return port;
}

// The simulator's last status line, once a second: it ends with PAUSED while paused.
function simulatorStatus(simulator) {
  const lines = simulator.output.split("\n").filter((line) => /^\d\d:\d\d:\d\d /.test(line));
  return lines[lines.length - 1] || "";
}

async function openPage(url, name) {
  const context = await chromium.launchPersistentContext(
    fs.mkdtempSync(path.join(runDir, `${name}-profile-`)),
    { executablePath: chromiumPath, headless: true, args: kChromiumFlags,
      viewport: { width: 1180, height: 820 } });
  contexts.push(context);
  const page = context.pages()[0] || (await context.newPage());
  page.on("pageerror", (error) => console.log(`${name}: page error: ${error.message}`));
  await page.goto(url);
  return { context, page };
}

const text = (page, id) => page.locator(`#${id}`).textContent();
const data = (page, name) => page.locator("#map").getAttribute(`data-${name}`).then(Number);
const banner = (page) => page.evaluate(() => {
  const element = document.getElementById("banner");
  return element.hidden ? "" : element.textContent;
});

async function main() {
  const simulator = start("simulator", "sim/standin/corvessa-sim",
    ["--listen", "127.0.0.1:0", "--speedup", String(kSpeedup), "--cruise", "35000",
     "--start-delay", "3"]);
  const address = await until("the simulator's address",
    () => (simulator.output.match(/corvessa-sim: listening on (\S+)/) || [])[1], 10000);
  const relayPort = await freeUdpPort();
  start("corvessa", "app/corvessa",
    ["-altitude", "35000", "-spoilerControl", "250", "0.78", "300", "0.82", "-port", String(relayPort)],
    { CORVESSA_SIMULATOR: address });
  // Joined before the flight starts: the route must come all the same.
  const web = start("corvessa-web", "tools/web/corvessa-web",
    ["--relay", `127.0.0.1:${relayPort}`, "--bind", "127.0.0.1", "--listen", "127.0.0.1:0"]);
  const url = await until("the page's address",
    () => (web.output.match(/serving the page at (\S+)/) || [])[1], 10000);

  const { context, page } = await openPage(url, "first");
  await until("the route on the map", async () => (await data(page, "route")) >= 2, 60000);
  check(true, `the route is drawn: ${await data(page, "route")} waypoints`);
  const firstTrack = await until("a track", async () => (await data(page, "track")) >= 2 && (await data(page, "track")));
  const firstPosition = await text(page, "position");
  const firstAltitude = await text(page, "alt");
  await until("the aircraft to move", async () => (await data(page, "track")) >= firstTrack + 4);
  check((await text(page, "position")) !== firstPosition, "the aircraft moves on the map");
  check((await text(page, "alt")) !== firstAltitude, "the numbers change");
  for (const id of ["ias", "tas", "mach", "gs", "hdg", "wind", "ahead", "temp", "fuel", "phase", "spoilers"]) {
    check((await text(page, id)) !== "—", `${id} shows ${await text(page, id)}`);
  }

  await page.click("#pause");
  await until("the PAUSED banner", async () => (await banner(page)) === "PAUSED", 10000);
  await until("the simulator paused", () => simulatorStatus(simulator).endsWith("PAUSED"), 10000);
  check(true, "Pause: the banner says PAUSED and the simulator is paused");
  const pausedAt = Date.now();
  const pausedOutput = simulator.output.length;

  // During the pause nothing flows: a late browser sees what the server kept.
  const late = await openPage(url, "late");
  await until("the late browser's route and record", async () =>
    (await data(late.page, "route")) >= 2 && (await text(late.page, "alt")) !== "—", 3000);
  check((await banner(late.page)) === "PAUSED", "a late browser gets the route, the latest record and the pause at once");
  await late.context.close();

  await sleep(Math.max(0, kPauseHeldMs - (Date.now() - pausedAt)));
  check(simulatorStatus(simulator).endsWith("PAUSED"), `the simulator is still paused ${kPauseHeldMs / 1000} s later`);
  check(!simulator.output.slice(pausedOutput).includes("pause_off"), "nothing ended the pause");
  check((await banner(page)) === "PAUSED", "the banner still says PAUSED");

  const pausedTrack = await data(page, "track");
  await page.click("#pause");
  await until("the simulator to resume", () => !simulatorStatus(simulator).endsWith("PAUSED"), 10000);
  await until("records again", async () => (await data(page, "track")) > pausedTrack + 2, 10000);
  check((await banner(page)) !== "PAUSED", `Pause again: the flight resumes (banner "${await banner(page)}")`);

  // The rest of the flight, to the landing, phase by phase; the picture is taken in cruise.
  const phases = new Set();
  await until("the end of the flight", async () => {
    const phase = await text(page, "phase");
    if (phase === "CRUISE" && !phases.has(phase)) {
      await sleep(3000);
      await page.screenshot({ path: path.join(outputDir, "web-page.png") });
    }
    phases.add(phase);
    return /flight ended|corvessa-sim: done/.test(simulator.output);
  }, 180000);
  check(phases.has("CRUISE") && phases.has("DESCENT"), `the page followed the flight: ${[...phases].join(", ")}`);
  await context.close();
}

let status = 0;
try {
  await main();
  console.log("PASSED");
} catch (error) {
  status = 1;
  console.log(`FAILED: ${error.message}`);
  for (const child of children) {
    console.log(`--- ${child.spawnfile}\n${child.output.split("\n").slice(-15).join("\n")}`);
  }
} finally {
  for (const child of children.reverse()) {
    child.kill("SIGINT");
  }
  await sleep(500);
  for (const child of children) {
    if (child.exitCode === null) {
      child.kill("SIGKILL");
    }
  }
  for (const context of contexts) {
    await context.close().catch(() => {});
  }
  // Chromium may still be writing its profile for a moment.
  try {
    fs.rmSync(runDir, { recursive: true, force: true, maxRetries: 5, retryDelay: 200 });
  } catch {}
}
process.exit(status);
