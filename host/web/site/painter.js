// The canvas side of the map's drawing surface. The C++ surface hands over device pixels;
// the painter keeps a persistent image beside the canvas (what the map window draws with
// persistent drawing on), shows it with the credit label as a panel above it, and keeps the
// persistent drawing as SVG elements for the picture download. Pens and text grow with the
// canvas, as on every surface of the program.

const BACKGROUND = 'rgb(14, 18, 28)';
const TEXT_FONTS = '"Noto Sans CJK TC", "Noto Sans TC", "WenQuanYi Zen Hei", "Microsoft JhengHei", ' +
  '"PingFang TC", sans-serif';
const PEN_PER_SHORT_SIDE = 1 / 540;
const TEXT_PER_SHORT_SIDE = 1 / 50;
const LABEL_PER_SHORT_SIDE = 1 / 56;
const LINE_HEIGHT = 1.25;        // of the text size
const DOT_PER_PEN = 1.3;
const HALO_PER_TEXT = 0.18;
const LABEL_PAD_PER_TEXT = 0.35;

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
    this.svg = [];
    this.label = { text: '', x: 0, y: 0, color: 0xffffff, visible: false };
    this.stale = true;
    this.run = null; // lines and circles of one colour on one target, stroked together
    this.ascents = new Map();
    this.fit();
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
    this.canvas.width = this.persist.width = w;
    this.canvas.height = this.persist.height = h;
    const short = Math.min(w, h);
    this.pen = Math.max(1, short * PEN_PER_SHORT_SIDE);
    this.textSize = Math.max(10, short * TEXT_PER_SHORT_SIDE);
    this.labelSize = Math.max(9, short * LABEL_PER_SHORT_SIDE);
    this.pctx.fillStyle = BACKGROUND;
    this.pctx.fillRect(0, 0, w, h);
    this.pctx.drawImage(old, 0, 0);
    this.stale = true;
    return true;
  }

  width() { return this.canvas.width; }
  height() { return this.canvas.height; }

  // the context a call draws on: the persistent image, or the shown canvas over the shown picture
  target(t) {
    this.flush();
    if (t === 0) return this.pctx;
    if (this.stale) this.compose();
    return this.ctx;
  }

  // the path of the run of strokes this call joins: a canvas strokes a thousand lines at once
  // far faster than one by one
  path(t, color) {
    if (this.run && (this.run.t !== t || this.run.color !== color)) this.flush();
    if (!this.run) {
      const ctx = this.target(t);
      ctx.beginPath();
      this.run = { t, color, ctx };
    }
    return this.run.ctx;
  }

  flush() {
    const run = this.run;
    if (!run) return;
    this.run = null;
    run.ctx.strokeStyle = cssColor(run.color);
    run.ctx.lineWidth = this.pen;
    run.ctx.lineCap = 'round';
    run.ctx.lineJoin = 'round';
    run.ctx.stroke();
  }

  line(t, x1, y1, x2, y2, color) {
    const ctx = this.path(t, color);
    ctx.moveTo(x1, y1);
    ctx.lineTo(x2, y2);
    if (t === 0) {
      this.svg.push(`<line x1="${round(x1)}" y1="${round(y1)}" x2="${round(x2)}" y2="${round(y2)}" ` +
        `stroke="${cssColor(color)}"/>`);
    }
    this.stale = this.stale || t === 0;
  }

  circle(t, x, y, r, color) {
    const ctx = this.path(t, color);
    ctx.moveTo(x + r, y);
    ctx.arc(x, y, r, 0, 2 * Math.PI);
    if (t === 0) this.svg.push(`<circle cx="${round(x)}" cy="${round(y)}" r="${round(r)}" stroke="${cssColor(color)}"/>`);
    this.stale = this.stale || t === 0;
  }

  dot(t, x, y, color) {
    const ctx = this.target(t);
    const r = this.pen * DOT_PER_PEN;
    ctx.beginPath();
    ctx.arc(x, y, r, 0, 2 * Math.PI);
    ctx.fillStyle = cssColor(color);
    ctx.fill();
    if (t === 0) {
      this.svg.push(`<circle cx="${round(x)}" cy="${round(y)}" r="${round(r)}" fill="${cssColor(color)}" ` +
        'stroke="none"/>');
    }
    this.stale = this.stale || t === 0;
  }

  font(size) { return `${size}px ${TEXT_FONTS}`; }

  // lines, their widest width, the line height and the first line's ascent at a text size
  measure(ctx, text, size) {
    ctx.font = this.font(size);
    const lines = text.split(/\r?\n/);
    const width = Math.max(...lines.map((line) => ctx.measureText(line).width));
    if (!this.ascents.has(size)) this.ascents.set(size, ctx.measureText('Hg國').fontBoundingBoxAscent || size * 0.88);
    return { lines, width, lineHeight: size * LINE_HEIGHT, ascent: this.ascents.get(size) };
  }

  // prints at (x, y) aligned as the Windows flags say; returns the text's width
  text(t, x, y, align, text, color) {
    const ctx = this.target(t);
    const m = this.measure(ctx, text, this.textSize);
    const height = m.lines.length * m.lineHeight;
    let left = x;
    if ((align & 6) === 6) left = x - m.width / 2;
    else if ((align & 6) === 2) left = x - m.width;
    let top = y;
    if ((align & 24) === 24) top = y - m.ascent;
    else if (align & 8) top = y - height;
    ctx.save();
    ctx.textBaseline = 'alphabetic';
    ctx.lineJoin = 'round';
    ctx.lineWidth = this.textSize * HALO_PER_TEXT;
    ctx.strokeStyle = BACKGROUND;
    ctx.fillStyle = cssColor(color);
    m.lines.forEach((line, i) => {
      const base = top + m.ascent + i * m.lineHeight;
      ctx.strokeText(line, left, base);
      ctx.fillText(line, left, base);
      if (t === 0) {
        this.svg.push(`<text x="${round(left)}" y="${round(base)}" fill="${cssColor(color)}" ` +
          `font-size="${round(this.textSize)}">${escapeXml(line)}</text>`);
      }
    });
    ctx.restore();
    this.stale = this.stale || t === 0;
    return m.width;
  }

  clear(t) {
    this.flush();
    const ctx = t === 0 ? this.pctx : this.ctx;
    ctx.fillStyle = BACKGROUND;
    ctx.fillRect(0, 0, this.canvas.width, this.canvas.height);
    if (t === 0) {
      this.svg = [];
      this.stale = true;
    }
  }

  setLabel(text, x, y, color, visible) {
    this.label = { text, x, y, color, visible };
    this.stale = true;
  }

  labelExtent() {
    if (!this.label.text) return [0, 0];
    const m = this.measure(this.ctx, this.label.text, this.labelSize);
    const pad = this.labelSize * LABEL_PAD_PER_TEXT;
    return [m.width + 2 * pad, m.lines.length * m.lineHeight + 2 * pad];
  }

  // the persistent image and the label above it, on the shown canvas
  compose() {
    this.flush();
    this.ctx.drawImage(this.persist, 0, 0);
    this.drawLabel(this.ctx);
    this.stale = false;
  }

  present() { this.compose(); }

  drawLabel(ctx) {
    const label = this.label;
    if (!label.visible || !label.text) return;
    const m = this.measure(ctx, label.text, this.labelSize);
    const pad = this.labelSize * LABEL_PAD_PER_TEXT;
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
    return `<svg xmlns="http://www.w3.org/2000/svg" width="${w}" height="${h}" viewBox="0 0 ${w} ${h}">\n` +
      `<rect width="${w}" height="${h}" fill="${BACKGROUND}"/>\n` +
      `<g fill="none" stroke-width="${round(this.pen)}" stroke-linecap="round" ` +
      `font-family='${TEXT_FONTS.replace(/'/g, '')}'>\n${this.svg.join('\n')}\n</g>\n</svg>\n`;
  }
}
