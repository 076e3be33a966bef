// What the browser tests and benchmarks share: the built site on a static server of their
// own (python3's, on a free loopback port), headless Chromium from Debian with a fresh
// profile, and pages that fail on any console error. Everything waits for events, with
// limits that say what was awaited.

import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = path.resolve(here, '../..');
export const siteDir = process.env.KELVARIN_SITE ?? path.join(sourceDir, 'build/web/site');
export const cliPath = process.env.KELVARIN_CLI ?? path.join(sourceDir, 'build/default/bin/kelvarin-cli');
const chromiumPath = process.env.KELVARIN_CHROMIUM ?? '/usr/bin/chromium';

// resolves with the value, or rejects naming what was awaited once the limit passes
export function within(ms, what, promise) {
  let timer;
  const limit = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`gave up after ${ms} ms waiting for ${what}`)), ms);
  });
  return Promise.race([promise, limit]).finally(() => clearTimeout(timer));
}

// a static server of a folder on a free port of 127.0.0.1; resolves once it says it serves
export async function startServer(root = siteDir) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', root],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  const port = await within(15000, 'the static server to report its port', new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const match = /port (\d+)/.exec(text);
      if (match) resolve(Number(match[1]));
    });
    server.on('exit', (code) => reject(new Error(`the static server ended with ${code}`)));
  }));
  return {
    origin: `http://127.0.0.1:${port}`,
    async stop() {
      if (server.exitCode !== null) return;
      const ended = new Promise((resolve) => server.once('exit', resolve));
      server.kill('SIGTERM');
      await within(10000, 'the static server to end', ended);
    },
  };
}

export async function startBrowser() {
  const profile = mkdtempSync(path.join(tmpdir(), 'kelvarin-chromium-'));
  const browser = await within(60000, 'Chromium to start', puppeteer.launch({
    executablePath: chromiumPath,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-dev-shm-usage', '--hide-scrollbars'],
  }));
  return {
    browser,
    async stop() {
      await within(20000, 'Chromium to close', browser.close()).catch(() => browser.process()?.kill('SIGKILL'));
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// a page with its console errors and page errors gathered in page.problems
export async function newPage(browser, { width = 1200, height = 900 } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  page.problems = [];
  page.on('console', (m) => { if (m.type() === 'error') page.problems.push(m.text()); });
  page.on('pageerror', (e) => page.problems.push(String(e)));
  return page;
}

// opens the page at a query and waits until its mode is running
export async function openAt(page, origin, query, mode = 'lesson') {
  await page.goto(`${origin}/index.html?${query}`, { waitUntil: 'load' });
  await within(30000, `the page to enter ${mode} mode (${query})`,
    page.waitForSelector(`body[data-mode="${mode}"]`));
}
