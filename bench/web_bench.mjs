// Benchmarks of the web page (figures to report, never pass or fail): the site's size as
// a server sends it with gzip, the first frame of the bundled scene in headless Chromium,
// constructions a second while a gauge of a 100-gauge scene is dragged, and the CPU the
// page takes while the lesson is paused and while the saver sleeps between rings.
// Needs the web build (build/web/site), make_sample_scene (build/default/bin) and the
// browser tests' packages: cd tests/web && npm ci; then node bench/web_bench.mjs

import { execFileSync } from 'node:child_process';
import { cpSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { gzipSync } from 'node:zlib';
import { newPage, openAt, siteDir, sourceDir, startBrowser, startServer, within } from '../tests/web/harness.mjs';

const DRAG_STEPS = 300;
const IDLE_SECONDS = 5;

function siteSize(dir) {
  let raw = 0;
  let gzipped = 0;
  for (const name of readdirSync(dir, { recursive: true })) {
    const file = path.join(dir, name);
    if (!statSync(file).isFile()) continue;
    const bytes = readFileSync(file);
    raw += bytes.length;
    gzipped += gzipSync(bytes, { level: 9 }).length;
  }
  return { raw, gzipped };
}

async function firstFrame(browser, origin, query, mode) {
  const page = await newPage(browser);
  await openAt(page, origin, query, mode);
  const ms = await page.evaluate(() => performance.getEntriesByName('kelvarin-first-frame')[0].startTime);
  await page.close();
  return ms;
}

// constructions a second: the gauge moves DRAG_STEPS times, each a whole construction drawn
async function dragRate(browser, origin) {
  const page = await newPage(browser);
  await openAt(page, origin, 'mode=lesson&scene=gauges100.ini&method=heightbalance&stations=all&step=end');
  const ms = await page.evaluate((steps) => {
    const start = performance.now();
    for (let i = 1; i <= steps; ++i) window.kelvarin.drag(50, 20 * Math.sin(i / 10), 20 * Math.cos(i / 10));
    return performance.now() - start;
  }, DRAG_STEPS);
  const problems = page.problems;
  await page.close();
  return { perSecond: (DRAG_STEPS * 1000) / ms, problems };
}

// the share of one core the page's main thread was busy over IDLE_SECONDS
async function busyShare(page) {
  const session = await page.createCDPSession();
  await session.send('Performance.enable');
  const busy = async () => (await session.send('Performance.getMetrics')).metrics
    .find((m) => m.name === 'TaskDuration').value;
  const before = await busy();
  await new Promise((resolve) => { setTimeout(resolve, IDLE_SECONDS * 1000); });
  return (await busy() - before) / IDLE_SECONDS;
}

async function idleCpu(browser, origin) {
  const page = await newPage(browser);
  await openAt(page, origin, 'mode=lesson&stations=all');
  await page.keyboard.press('Space');
  await within(10000, 'the pause', page.waitForFunction(() => document.getElementById('play').textContent === 'Play'));
  const paused = await busyShare(page);
  await openAt(page, origin, 'mode=saver', 'saver');
  const saver = await busyShare(page);
  await page.close();
  return { paused, saver };
}

const root = mkdtempSync(path.join(tmpdir(), 'kelvarin-bench-'));
cpSync(siteDir, root, { recursive: true });
execFileSync(path.join(sourceDir, 'build/default/bin/make_sample_scene'),
  ['--gauges', '100', '--center-points', path.join(root, 'gauges100.ini')]);
const size = siteSize(siteDir);
const server = await startServer(root);
const chromium = await startBrowser();
try {
  const saverFrame = await firstFrame(chromium.browser, server.origin, 'mode=saver', 'saver');
  const lessonFrame = await firstFrame(chromium.browser, server.origin, 'mode=lesson&step=end', 'lesson');
  const drag = await dragRate(chromium.browser, server.origin);
  const cpu = await idleCpu(chromium.browser, server.origin);
  console.log(`site: ${(size.raw / 1024).toFixed(0)} KiB, ${(size.gzipped / 1024).toFixed(0)} KiB with gzip`);
  console.log(`first frame of the bundled scene: saver ${saverFrame.toFixed(0)} ms, ` +
    `finished lesson ${lessonFrame.toFixed(0)} ms after navigation`);
  console.log(`dragging a gauge of a 100-gauge scene (height-balance): ${drag.perSecond.toFixed(1)} constructions/s` +
    (drag.problems.length ? ` (${drag.problems.join('; ')})` : ''));
  console.log(`main thread busy: ${(cpu.paused * 100).toFixed(2)}% paused, ${(cpu.saver * 100).toFixed(2)}% in the saver`);
} finally {
  await chromium.stop();
  await server.stop();
  rmSync(root, { recursive: true, force: true });
}
