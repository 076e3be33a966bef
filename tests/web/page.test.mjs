// The web page in headless Chromium against kelvarin-cli: the weights table equals the
// command line's CSV, a click and a drag rebuild the weights, scenes that break the rules
// list their problems, untrusted names stay text, and a paused page asks for no frames.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { cpSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { cliPath, newPage, openAt, siteDir, sourceDir, startBrowser, startServer, within } from './harness.mjs';

const testData = path.join(sourceDir, 'tests/data');
let server;
let chromium;
let root;

before(async () => {
  // the built site with the test scenes beside it, under tests/
  root = mkdtempSync(path.join(tmpdir(), 'kelvarin-site-'));
  cpSync(siteDir, root, { recursive: true });
  cpSync(testData, path.join(root, 'tests'), { recursive: true });
  server = await startServer(root);
  chromium = await startBrowser();
});

after(async () => {
  await chromium?.stop();
  await server?.stop();
  rmSync(root, { recursive: true, force: true });
});

// CSV fields, quotes undone
function csvRows(text) {
  const rows = [];
  let row = [];
  let field = '';
  let quoted = false;
  for (let i = 0; i < text.length; ++i) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') { field += '"'; ++i; } else if (c === '"') quoted = false; else field += c;
    } else if (c === '"') quoted = true;
    else if (c === ',') { row.push(field); field = ''; } else if (c === '\n') { row.push(field); rows.push(row); row = []; field = ''; } else field += c;
  }
  return rows;
}

function cliWeights(scene, method, stations) {
  const csv = execFileSync(cliPath, ['weights', '--scene', scene, '--method', method, '--stations', stations,
    '--format', 'csv'], { encoding: 'utf8' });
  return csvRows(csv).slice(1);
}

// the table as the page shows it: index, name, number, selected, area, weight
function tableRows(page) {
  return page.$$eval('table#weights tbody tr', (trs) => trs.map((tr) => ({
    index: tr.dataset.index, name: tr.cells[1].textContent, number: tr.cells[2].textContent,
    selected: tr.dataset.selected, area: tr.dataset.area, weight: tr.dataset.weight,
  })));
}

function assertSameWeights(table, cli, what) {
  assert.equal(table.length, cli.length, `${what}: rows`);
  cli.forEach(([index, name, number, , , , selected, area, weight], i) => {
    const row = table[i];
    const where = `${what}, gauge ${index}`;
    assert.deepEqual([row.index, row.name, row.number], [index, name, number], where);
    assert.equal(row.selected, selected === '1' ? 'true' : 'false', where);
    assert.equal(row.weight === '', weight === '', `${where}: weight shown`);
    if (weight === '') return;
    assert.ok(Math.abs(Number(row.weight) - Number(weight)) <= 1e-12, `${where}: weight ${row.weight} vs ${weight}`);
    assert.ok(Math.abs(Number(row.area) - Number(area)) <= 1e-12 * Math.abs(Number(area)), `${where}: area`);
  });
}

// pixels of the canvas near a colour (0x00BBGGRR)
function countColor(page, selector, color) {
  return page.$eval(selector, (canvas, c) => {
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const [r, g, b] = [c & 255, (c >> 8) & 255, (c >> 16) & 255];
    let n = 0;
    for (let i = 0; i < data.length; i += 4) {
      if (Math.abs(data[i] - r) < 24 && Math.abs(data[i + 1] - g) < 24 && Math.abs(data[i + 2] - b) < 24) ++n;
    }
    return n;
  }, color);
}

const WHITE = 0xffffff;
const GREEN = 0x008000;
const RED = 0x0000ff;

describe('the page shows the bundled scene', () => {
  test('in saver mode, the run path draws basin and gauges, and a key leaves it for the lesson', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=saver', 'saver');
    assert.ok(await countColor(page, '#saver-canvas', WHITE) > 200, 'the basin boundary is drawn');
    assert.ok(await countColor(page, '#saver-canvas', GREEN) + await countColor(page, '#saver-canvas', RED) > 50,
      'the gauges are marked');
    await page.keyboard.press('Enter');
    await within(15000, 'the saver to leave for the lesson', page.waitForSelector('body[data-mode="lesson"]'));
    assert.deepEqual(page.problems, []);
    await page.close();
  });

  test('in lesson mode with no gauge selected, basin and green gauges', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=lesson&stations=&step=end');
    assert.ok(await countColor(page, '#map0', WHITE) > 200, 'the basin boundary is drawn');
    assert.ok(await countColor(page, '#map0', GREEN) > 50, 'the unselected gauges are green');
    assert.equal(await countColor(page, '#map0', RED), 0, 'no gauge is selected');
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});

describe('the weights table equals kelvarin-cli weights --format csv', () => {
  const cases = [
    ['Kelvarin.ini', path.join(sourceDir, 'data/Kelvarin.ini'), ['thiessen', 'heightbalance'], ['all', '1,3,5-8', '2-4', '7']],
    ['tests/scene_minimal.ini', path.join(testData, 'scene_minimal.ini'), ['thiessen', 'heightbalance'], ['all', '1,3', '2']],
    ['tests/weights_quoted_names.ini', path.join(testData, 'weights_quoted_names.ini'), ['thiessen'], ['all', '1,3']],
    ['tests/scene_two_polygons.ini', path.join(testData, 'scene_two_polygons.ini'), ['thiessen'], ['all', '1-2']],
  ];
  for (const [address, file, methods, selections] of cases) {
    test(address, async () => {
      const page = await newPage(chromium.browser);
      for (const method of methods) {
        for (const stations of selections) {
          const query = new URLSearchParams({ scene: address, method, stations, mode: 'lesson', step: 'end' });
          await openAt(page, server.origin, query.toString());
          assertSameWeights(await tableRows(page), cliWeights(file, method, stations), `${address} ${method} ${stations}`);
          // the download is the command line's CSV itself
          const csv = await page.evaluate(() => window.kelvarin.csv());
          assert.equal(csv.split('\n')[0], 'index,name,number,x,y,z,selected,area,weight');
        }
      }
      assert.deepEqual(page.problems, []);
      await page.close();
    });
  }
});

const weightsOf = (page) => page.$$eval('table#weights tbody tr', (trs) => trs.map((tr) => tr.dataset.weight));
const sumOf = (weights) => weights.filter((w) => w !== '').reduce((s, w) => s + Number(w), 0);

describe('steering the construction', () => {
  test('a click on a gauge takes it out of the selection, and the weights still sum to 1', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=lesson&method=thiessen&stations=all&step=end');
    const before = await weightsOf(page);
    const at = await page.evaluate(() => window.kelvarin.gaugeAt(5));
    await page.mouse.click(at.x, at.y);
    await within(10000, 'gauge 5 to be taken out',
      page.waitForSelector('tr[data-index="5"][data-selected="false"]'));
    const afterClick = await weightsOf(page);
    assert.equal(afterClick[4], '');
    assert.notDeepEqual(afterClick, before);
    assert.ok(Math.abs(sumOf(afterClick) - 1) < 1e-9, `sum ${sumOf(afterClick)}`);
    await page.mouse.click(at.x, at.y);
    await within(10000, 'gauge 5 to be selected again',
      page.waitForSelector('tr[data-index="5"][data-selected="true"]'));
    assert.deepEqual(await weightsOf(page), before);
    await page.close();
  });

  test('dragging a gauge rebuilds cells and weights, and dropping it back restores them', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=lesson&method=heightbalance&stations=all&step=end');
    const before = await weightsOf(page);
    const at = await page.evaluate(() => window.kelvarin.gaugeAt(9));
    await page.mouse.move(at.x, at.y);
    await page.mouse.down();
    for (let i = 1; i <= 5; ++i) await page.mouse.move(at.x + 8 * i, at.y + 6 * i);
    await within(10000, 'the weights to follow the dragged gauge',
      page.waitForFunction((w) => [...document.querySelectorAll('table#weights tbody tr')]
        .some((tr, i) => tr.dataset.weight !== w[i]), {}, before));
    const moved = await weightsOf(page);
    assert.ok(Math.abs(sumOf(moved) - 1) < 1e-9);
    await page.mouse.move(at.x, at.y);
    await page.mouse.up();
    await within(10000, 'the weights to come back', page.waitForFunction((w) =>
      [...document.querySelectorAll('table#weights tbody tr')].every((tr, i) => tr.dataset.weight === w[i]), {}, before));
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});

describe('untrusted scenes and addresses', () => {
  test('a scene that breaks the rules lists every problem with its line, as kelvarin-cli check does', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=lesson&scene=tests/error_many.ini');
    await within(10000, 'the problems to be listed', page.waitForSelector('#errors li'));
    const listed = await page.$$eval('#errors li', (items) => items.map((li) => [li.dataset.line, li.textContent]));
    let check = '';
    try {
      execFileSync(cliPath, ['check', '--scene', path.join(testData, 'error_many.ini')], { stdio: 'pipe' });
    } catch (e) {
      check = String(e.stderr);
    }
    const expected = [...check.matchAll(/error_many\.ini:(\d+): (.*)/g)].map((m) => [m[1], m[2]]);
    assert.ok(expected.length >= 2, check);
    assert.deepEqual(listed.map(([line, text]) => [line, text.replace(/^.*?error_many\.ini:\d+: /, '')]), expected);
    // the page is not blank: it says why on the map
    assert.ok(await countColor(page, '#map0', 0xe6e6e6) > 20);
    await page.close();
  });

  test('a Big5 scene shows its CJK names', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=lesson&scene=tests/scene_big5.ini&step=end');
    const names = await page.$$eval('table#weights tbody tr', (trs) => trs.map((tr) => tr.cells[1].textContent));
    const cli = cliWeights(path.join(testData, 'scene_big5.ini'), 'thiessen', 'all').map((r) => r[1]);
    assert.deepEqual(names, cli);
    assert.ok(names.some((n) => /[\u4e00-\u9fff]/.test(n)), names.join(', '));
    await page.close();
  });

  test('a gauge named with markup shows the characters and adds no element', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=lesson&step=end');
    const text = readFileSync(path.join(testData, 'scene_minimal.ini'), 'utf8');
    const first = cliWeights(path.join(testData, 'scene_minimal.ini'), 'thiessen', 'all')[0][1];
    const hostile = text.replace(first, '<u>x</u><b>y</b>');
    assert.notEqual(hostile, text);
    assert.equal(await page.evaluate((t) => window.kelvarin.load(t), hostile), true);
    const shown = await page.$eval('table#weights tbody tr', (tr) => tr.cells[1].textContent);
    assert.equal(shown, '<u>x</u><b>y</b>');
    assert.equal(await page.$$eval('u, b', (found) => found.length), 0);
    // the plain-words line names it as text too
    await page.evaluate(() => { window.kelvarin.select('1'); window.kelvarin.step(); });
    assert.equal(await page.$$eval('u, b', (found) => found.length), 0);
    await page.close();
  });

  test('a scene from another origin is refused with a message', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=lesson&scene=http://example.invalid/x.ini&step=end');
    const message = await page.$eval('#errors li', (li) => li.textContent);
    assert.match(message, /only a relative or same-origin address/);
    assert.ok((await tableRows(page)).length > 0, 'the bundled scene is shown instead');
    await page.close();
  });
});

describe('never a busy page', () => {
  test('paused, the page requests no animation frames for 2 s', async () => {
    const page = await newPage(chromium.browser);
    await page.evaluateOnNewDocument(() => {
      window.framesAsked = 0;
      const ask = window.requestAnimationFrame.bind(window);
      window.requestAnimationFrame = (f) => { window.framesAsked += 1; return ask(f); };
    });
    await openAt(page, server.origin, 'mode=lesson&method=both&stations=all');
    await within(10000, 'the construction to play', page.waitForFunction(() => document.body.dataset.step !== '0'));
    await page.keyboard.press('Space');
    await within(10000, 'the pause', page.waitForFunction(() => document.getElementById('play').textContent === 'Play'));
    const step = await page.evaluate(() => document.body.dataset.step);
    const asked = await page.evaluate(() => window.framesAsked);
    await new Promise((resolve) => { setTimeout(resolve, 2000); });
    assert.equal(await page.evaluate(() => window.framesAsked), asked);
    assert.equal(await page.evaluate(() => document.body.dataset.step), step, 'the step stays');
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});

describe('the storm', () => {
  test('each time step\'s areal rainfall is what kelvarin-cli areal computes, under every method', async () => {
    const page = await newPage(chromium.browser);
    await openAt(page, server.origin, 'mode=lesson&step=end');
    await page.click('#storm-play');
    await within(20000, 'the first time step of the records',
      page.waitForFunction(() => /gauges reported/.test(document.getElementById('storm-time').textContent)));
    await page.click('#storm-play');
    const first = await page.$eval('#storm-time', (e) => e.textContent);
    const reported = Number(/(\d+) gauges reported/.exec(first)[1]);
    assert.equal(await page.$$eval('tr[data-selected="true"]', (rows) => rows.length), reported);
    assert.equal(await page.$$eval('tr.norecord', (rows) => rows.length), 18 - reported, 'the others are greyed out');
    for (const [method, label] of [['thiessen', 'Thiessen'], ['heightbalance', 'height-balance'], ['mean', 'mean']]) {
      const out = execFileSync(cliPath, ['areal', '--scene', path.join(sourceDir, 'data/Kelvarin.ini'), '--method',
        method, '--rain', path.join(sourceDir, 'data/rain_example.csv')], { encoding: 'utf8' });
      const value = Number(csvRows(out)[1][1]);
      assert.match(first, new RegExp(`${value.toFixed(2)} \\(${label}\\)`), `${method}: ${value}`);
    }
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});
