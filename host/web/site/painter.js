// The canvas side of the map's drawing surface. The C++ surface hands over device pixels
// and the sizes of pens and text for the canvas's size (the program's one table of them).
// With the credit label shown, the painter keeps the persistent image (what the map window
// draws with persistent drawing on) beside the canvas and shows it with the label as a
// panel above it; without a label the persistent drawing goes straight onto the canvas,
// which then is the persistent image. The persistent drawing is also kept as a list of its
// calls, from which the SVG picture is written when it is asked for.

const BACKGROUND = 'rgb(14, 18, 28)';
const TEXT_FONTS = '"Noto Sans CJK TC", "Noto Sans TC", "WenQuanYi Zen Hei", "Microsoft JhengHei", ' +
  '"PingFang TC", sans-serif';
const LINE_HEIGHT = 1.25;        // of the text size
const HALO_PER_TEXT = 0.18;
const MOST_SPRITES = 4000;       // lines of text kept drawn, for a few hundred gauges' labels

// 0x00BBGGRR as a CSS colour
export function cssColor(c) {
  return `rgb(${c & 255}, ${(c >>> 8) & 255}, ${(c >>> 16) & 255})`;
}

function luminance(c) {
  return (0.299 * (c & 255) + 0.587 * ((c >>> 8) & 255) + 0.114 * ((c >>> 16) & 255)) / 255;
}

function escapeXml(text) {
  return text.replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);
}

const round = (v) => Math.round(v * 100) / 100;

export class Painter {
  constructor(canvas) {
    this.canvas = canvas;
    this.ctx = canvas.getContext('2d');
    this.persist = document.createElement('canvas');
    this.pctx = this.persist.getContext('2d');
    this.calls = []; // the persistent drawing since it was cleared: [kind, ...numbers, color(, text)]
    this.label = { text: '', x: 0, y: 0, color: 0xffffff, visible: false };
    this.direct = true; // no label: the canvas itself is the persistent image
    this.stale = true;
    this.run = null; // lines and circles of one colour on one target, stroked together
    this.ascents = new Map();
    this.sprites = new Map(); // drawn lines of text by size, colour and text
    this.sizes = null; // set by the surface for each canvas size
    this.fit();
  }

  // pen, dot, gauge text, label text and label padding in pixels, from the surface
  setSizes(pen, dot, text, label, pad) {
    this.flush();
    this.sizes = { pen, dot, text, label, pad };
    this.ascents.clear();
    this.sprites.clear();
  }

  // takes the canvas's laid-out size times the pixel ratio; the persistent image keeps its top-left part
  fit() {
    this.flush();
    const ratio = window.devicePixelRatio || 1;
    const box = this.canvas.getBoundingClientRect();
    const w = Math.max(1, Math.round(box.width * ratio));
    const h = Math.max(1, Math.round(box.height * ratio));
    if (w === this.persist.width && h === this.persist.height && w === this.canvas.width) return false;
    const old = document.createElement('canvas');
    old.width = this.persist.width;
    old.height = this.persist.height;
    old.getContext('2d').drawImage(this.persist, 0, 0);
    if (this.direct) old.getContext('2d').drawImage(this.canvas, 0, 0);
    this.canvas.width = this.persist.width = w;
    this.canvas.height = this.persist.height = h;
    // a canvas given a new size forgets its font
    this.ctx.kelvarinFontSize = this.pctx.kelvarinFontSize = undefined;
    this.pctx.fillStyle = BACKGROUND;
    this.pctx.fillRect(0, 0, w, h);
    this.pctx.drawImage(old, 0, 0);
    if (this.direct) this.ctx.drawImage(this.persist, 0, 0);
    this.stale = true;
    return true;
  }

  width() { return this.canvas.width; }
  height() { return this.canvas.height; }

  // the context a call draws on: the persistent image, or the shown canvas over the shown picture
  target(t) {
    this.flush();
    if (t === 0) return this.direct ? this.ctx : this.pctx;
    if (this.direct) {
      // drawing that a repaint wipes needs the persistent image kept beside the canvas
      this.pctx.drawImage(this.canvas, 0, 0);
      this.direct = false;
    }
    if (this.stale) this.compose();
    return this.ctx;
  }

  // the path of the run of strokes (or of filled dots) this call joins: a canvas strokes a
  // thousand lines at once far faster than one by one
  path(t, color, fill = false) {
    if (this.run && (this.run.t !== t || this.run.color !== color || this.run.fill !== fill)) this.flush();
    if (!this.run) {
      const ctx = this.target(t);
      ctx.beginPath();
      this.run = { t, color, fill, ctx };
    }
    return this.run.ctx;
  }

  flush() {
    const run = this.run;
    if (!run) return;
    this.run = null;
    if (run.fill) {
      run.ctx.fillStyle = cssColor(run.color);
      run.ctx.fill();
      return;
    }
    run.ctx.strokeStyle = cssColor(run.color);
    run.ctx.lineWidth = this.sizes.pen;
    run.ctx.lineCap = 'round';
    run.ctx.lineJoin = 'round';
    run.ctx.stroke();
  }

  // a persistent drawing call changes the shown picture; it is kept for the SVG picture
  keep(t, call) {
    if (t !== 0) return;
    this.calls.push(call);
    this.stale = true;
  }

  line(t, x1, y1, x2, y2, color) {
    const ctx = this.path(t, color);
    // a ring's edges follow each other: one line through them, not a line per edge
    if (this.run.endX !== x1 || this.run.endY !== y1) ctx.moveTo(x1, y1);
    ctx.lineTo(x2, y2);
    this.run.endX = x2;
    this.run.endY = y2;
    this.keep(t, ['line', x1, y1, x2, y2, color]);
  }

  circle(t, x, y, r, color) {
    const ctx = this.path(t, color);
    ctx.moveTo(x + r, y);
    ctx.arc(x, y, r, 0, 2 * Math.PI);
    this.run.endX = undefined;
    this.keep(t, ['circle', x, y, r, color]);
  }

  dot(t, x, y, color) {
    const ctx = this.path(t, color, true);
    const r = this.sizes.dot;
    ctx.moveTo(x + r, y);
    ctx.arc(x, y, r, 0, 2 * Math.PI);
    this.keep(t, ['dot', x, y, r, color]);
  }

  font(size) { return `${size}px ${TEXT_FONTS}`; }

  // sets a context's font, only when it changes: a canvas parses every font it is given
  useFont(ctx, size) {
    if (ctx.kelvarinFontSize === size) return;
    ctx.font = this.font(size);
    ctx.kelvarinFontSize = size;
  }

  // lines, their widest width, the line height and the first line's ascent at a text size
  measure(ctx, text, size) {
    this.useFont(ctx, size);
    const lines = text.split(/\r?\n/);
    const width = Math.max(...lines.map((line) => ctx.measureText(line).width));
    if (!this.ascents.has(size)) this.ascents.set(size, ctx.measureText('Hg國').fontBoundingBoxAscent || size * 0.88);
    return { lines, width, lineHeight: size * LINE_HEIGHT, ascent: this.ascents.get(size) };
  }

  // prints at (x, y) aligned as the Windows flags say; returns the text's width
  text(t, x, y, align, text, color) {
    const ctx = this.target(t);
    const size = this.sizes.text;
    const m = this.measure(ctx, text, size);
    const height = m.lines.length * m.lineHeight;
    let left = x;
    if ((align & 6) === 6) left = x - m.width / 2;
    else if ((align & 6) === 2) left = x - m.width;
    let top = y;
    if ((align & 24) === 24) top = y - m.ascent;
    else if (align & 8) top = y - height;
    m.lines.forEach((line, i) => {
      const base = top + m.ascent + i * m.lineHeight;
      const sprite = this.sprite(line, size, color);
      ctx.drawImage(sprite.canvas, Math.round(left - sprite.x), Math.round(base - sprite.y));
      this.keep(t, ['text', left, base, size, color, line]);
    });
    return m.width;
  }

  // A line of text with its dark outline, drawn once into a small canvas of its own and
  // kept: the same names come back frame after frame, and copying a drawn text is far
  // cheaper than shaping and outlining it again. x, y: where the line's start and baseline
  // lie in it.
  sprite(line, size, color) {
    const key = `${size}|${color}|${line}`;
    let sprite = this.sprites.get(key);
    if (sprite) return sprite;
    if (this.sprites.size >= MOST_SPRITES) this.sprites.clear();
    const halo = size * HALO_PER_TEXT;
    const canvas = document.createElement('canvas');
    const ctx = canvas.getContext('2d');
    this.useFont(ctx, size);
    const metrics = ctx.measureText(line);
    const ascent = metrics.fontBoundingBoxAscent || size * 0.88;
    const descent = metrics.fontBoundingBoxDescent || size * 0.25;
    canvas.width = Math.max(1, Math.ceil(metrics.width + 2 * halo) + 2);
    canvas.height = Math.max(1, Math.ceil(ascent + descent + 2 * halo) + 2);
    ctx.kelvarinFontSize = undefined;  // the new size reset the font
    this.useFont(ctx, size);
    ctx.textBaseline = 'alphabetic';
    ctx.lineJoin = 'round';
    ctx.lineWidth = halo;
    ctx.strokeStyle = BACKGROUND;
    ctx.fillStyle = cssColor(color);
    sprite = { canvas, x: halo + 1, y: halo + 1 + ascent };
    ctx.strokeText(line, sprite.x, sprite.y);
    ctx.fillText(line, sprite.x, sprite.y);
    this.sprites.set(key, sprite);
    return sprite;
  }

  clear(t) {
    this.flush();
    const ctx = t === 0 ? this.target(0) : this.ctx;
    ctx.fillStyle = BACKGROUND;
    ctx.fillRect(0, 0, this.canvas.width, this.canvas.height);
    if (t === 0) {
      this.calls = [];
      this.stale = true;
    }
  }

  setLabel(text, x, y, color, visible) {
    this.flush();
    const direct = !(visible && text);
    // the persistent image moves between the canvas and the canvas beside it
    if (this.direct && !direct) this.pctx.drawImage(this.canvas, 0, 0);
    if (!this.direct && direct) this.ctx.drawImage(this.persist, 0, 0);
    this.direct = direct;
    this.label = { text, x, y, color, visible };
    this.stale = true;
  }

  labelExtent() {
    if (!this.label.text) return [0, 0];
    const m = this.measure(this.ctx, this.label.text, this.sizes.label);
    return [m.width + 2 * this.sizes.pad, m.lines.length * m.lineHeight + 2 * this.sizes.pad];
  }

  // the persistent image and the label above it, on the shown canvas
  compose() {
    this.flush();
    this.stale = false;
    if (this.direct) return;
    this.ctx.drawImage(this.persist, 0, 0);
    this.drawLabel(this.ctx);
  }

  present() { this.compose(); }

  drawLabel(ctx) {
    const label = this.label;
    if (!label.visible || !label.text) return;
    const m = this.measure(ctx, label.text, this.sizes.label);
    const pad = this.sizes.pad;
    // a panel of the opposite brightness keeps any label colour readable
    ctx.fillStyle = luminance(label.color) < 0.45 ? 'rgba(235, 235, 235, 0.8)' : 'rgba(0, 0, 0, 0.55)';
    ctx.fillRect(label.x, label.y, m.width + 2 * pad, m.lines.length * m.lineHeight + 2 * pad);
    ctx.fillStyle = cssColor(label.color);
    ctx.textBaseline = 'alphabetic';
    m.lines.forEach((line, i) => ctx.fillText(line, label.x + pad, label.y + pad + m.ascent + i * m.lineHeight));
  }

  // the persistent drawing as an SVG document
  toSvg() {
    this.flush();
    const w = this.canvas.width;
    const h = this.canvas.height;
    const elements = this.calls.map(([kind, a, b, c, d, e, f]) => {
      switch (kind) {
        case 'line':
          return `<line x1="${round(a)}" y1="${round(b)}" x2="${round(c)}" y2="${round(d)}" stroke="${cssColor(e)}"/>`;
        case 'circle':
          return `<circle cx="${round(a)}" cy="${round(b)}" r="${round(c)}" stroke="${cssColor(d)}"/>`;
        case 'dot':
          return `<circle cx="${round(a)}" cy="${round(b)}" r="${round(c)}" fill="${cssColor(d)}" stroke="none"/>`;
        default:
          return `<text x="${round(a)}" y="${round(b)}" fill="${cssColor(d)}" font-size="${round(c)}">` +
            `${escapeXml(f)}</text>`;
      }
    });
    return `<svg xmlns="http://www.w3.org/2000/svg" width="${w}" height="${h}" viewBox="0 0 ${w} ${h}">\n` +
      `<rect width="${w}" height="${h}" fill="${BACKGROUND}"/>\n` +
      `<g fill="none" stroke-width="${round(this.sizes.pen)}" stroke-linecap="round" ` +
      `font-family='${TEXT_FONTS.replace(/'/g, '')}'>\n${elements.join('\n')}\n</g>\n</svg>\n`;
  }
}
