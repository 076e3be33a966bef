// The storm's plot: the basin's areal rainfall at every time step under Thiessen,
// height-balance and the plain mean of the gauges that reported, with the step on show marked.

export const SERIES = [
  ['thiessen', 'Thiessen', '#5b8cff'],
  ['heightbalance', 'Height-balance', '#4cd964'],
  ['mean', 'Plain mean', '#ffcc00'],
];

export function fillKey(list) {
  list.replaceChildren(...SERIES.map(([, label, color]) => {
    const item = document.createElement('li');
    item.style.color = color;
    item.textContent = `\u2014 ${label}`;
    return item;
  }));
}

// draws the rows' three series on the canvas, the current row marked
export function drawPlot(canvas, rows, current) {
  const ratio = window.devicePixelRatio || 1;
  const box = canvas.getBoundingClientRect();
  canvas.width = Math.max(1, Math.round(box.width * ratio));
  canvas.height = Math.max(1, Math.round(box.height * ratio));
  const ctx = canvas.getContext('2d');
  const w = canvas.width;
  const h = canvas.height;
  const pad = 28 * ratio;
  ctx.fillStyle = 'rgb(14, 18, 28)';
  ctx.fillRect(0, 0, w, h);
  if (!rows.length) return;
  const values = rows.flatMap((r) => SERIES.map(([key]) => r[key]).filter((v) => v !== null));
  const top = Math.max(1e-9, ...values);
  const x = (i) => pad + (rows.length === 1 ? 0 : (i / (rows.length - 1)) * (w - 2 * pad));
  const y = (v) => h - pad - (v / top) * (h - 2 * pad);
  ctx.strokeStyle = '#39425a';
  ctx.strokeRect(pad, pad, w - 2 * pad, h - 2 * pad);
  ctx.fillStyle = '#8a93a6';
  ctx.font = `${11 * ratio}px sans-serif`;
  ctx.fillText(`${top.toPrecision(3)} mm`, 2, pad - 4 * ratio);
  for (const [key, , color] of SERIES) {
    ctx.strokeStyle = color;
    ctx.lineWidth = 2 * ratio;
    ctx.beginPath();
    let open = false;
    rows.forEach((r, i) => {
      if (r[key] === null) { open = false; return; }
      if (open) ctx.lineTo(x(i), y(r[key])); else ctx.moveTo(x(i), y(r[key]));
      open = true;
    });
    ctx.stroke();
  }
  if (current >= 0) {
    ctx.strokeStyle = '#ffffff';
    ctx.lineWidth = ratio;
    ctx.beginPath();
    ctx.moveTo(x(current), pad);
    ctx.lineTo(x(current), h - pad);
    ctx.stroke();
  }
}
