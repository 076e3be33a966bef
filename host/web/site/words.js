// What the lesson says in words, in the two languages of the saver's captions: the
// legend of the map's colours and marks, and one line for the step on screen.

import { cssColor } from './painter.js';

export const CAPTIONS = {
  thiessen: '徐昇多邊形法 - Thiessen Polygon Method',
  heightbalance: '高度平衡多邊形法 - Height Balance Polygon Method',
};

// colour (0x00BBGGRR), whether it is a gauge's mark, Chinese and English
const LEGEND = [
  [0xffffff, false, '流域邊界', 'basin boundary'],
  [0x00ffff, false, '三角網', 'triangle network of the selected gauges'],
  [0x00ff00, false, '高程中點三角網', 'network of the pairs\u2019 centre points (height-balance)'],
  [0xff0000, false, '多邊形網', 'each selected gauge\u2019s polygon'],
  [0xff00ff, false, '交集區域', 'polygon pieces inside the basin'],
  [0x0000ff, true, '選用雨量站', 'selected gauge'],
  [0x008000, true, '未選用雨量站', 'gauge not selected'],
];

// fills the legend list with text and swatches only
export function fillLegend(list) {
  list.replaceChildren(...LEGEND.map(([color, mark, zh, en]) => {
    const item = document.createElement('li');
    const swatch = document.createElement('span');
    swatch.className = mark ? 'swatch mark' : 'swatch';
    swatch.style.color = cssColor(color);
    const zhText = document.createElement('span');
    zhText.lang = 'zh-Hant';
    zhText.textContent = zh;
    item.append(swatch, zhText, ` ${en}`);
    return item;
  }));
}

// [Chinese, English] for a step of a method; name(n) gives gauge n's name
export function stepWords(method, step, name) {
  if (!step) return ['選用雨量站已標出。', 'The selected gauges are marked.'];
  const g = step.station ? name(step.station) : '';
  const hb = method === 'heightbalance';
  switch (step.kind) {
    case 'triangle':
      return ['三角網：每個三角形連接三個選用雨量站，其外接圓內沒有其他雨量站。',
        'The triangle network: each triangle joins three selected gauges whose circle holds no other gauge.'];
    case 'centretriangle':
      return ['高程中點三角網：連接每個三角形三邊上的高程中點。',
        'The centre-point network: each triangle joins the points on its three sides where the two gauges\u2019 ' +
        'heights balance.'];
    case 'segment':
      return ['兩個選用雨量站之間的連線。', 'The line between the two selected gauges.'];
    case 'ring':
      return hb ? [`${g} 的高度平衡多邊形：由 ${g} 與相鄰雨量站之間的高程中點圍成的部分。`,
        `The height-balance polygon of ${g}: the part of the plane bounded through the points where ${g}\u2019s ` +
        'height and each neighbour\u2019s balance.']
        : [`${g} 的徐昇多邊形：平面上離 ${g} 比離其他任一選用雨量站更近的部分。`,
          `The cell of ${g}: the part of the plane nearer to ${g} than to any other selected gauge.`];
    case 'piece':
      return [`${g} 的多邊形在流域內的部分：其面積占流域面積的比例即 ${g} 的權重。`,
        `The part of ${g}\u2019s ${hb ? 'polygon' : 'cell'} inside the basin: its share of the basin\u2019s area is ` +
        `${g}\u2019s weight.`];
    default:
      return ['', ''];
  }
}
