// The report page: draws the series, the selected period's word shift (as the PNG graphs
// draw a shift: the same colours, marks and summary bars) and one word's share of each
// period, from the data that Python embedded. Plain SVG, no library: the page works
// offline and stays small.
"use strict";
(function () {
  const data = JSON.parse(document.getElementById("report-data").textContent);
  const NS = "http://www.w3.org/2000/svg";
  const periods = data.periods;
  const count = periods.labels.length;
  const WIDTH = 960;

  function el(name, attributes, parent, text) {
    const node = document.createElementNS(NS, name);
    for (const [key, value] of Object.entries(attributes || {})) node.setAttribute(key, value);
    if (text !== undefined) node.textContent = text;
    if (parent) parent.appendChild(node);
    return node;
  }

  function clear(node) {
    while (node.firstChild) node.removeChild(node.firstChild);
  }

  function fixed(value, digits) {
    return value === null || value === undefined ? "n/a" : value.toFixed(digits);
  }

  // A share in percent as the graphs write it: signed, one decimal, 0.0% without sign.
  function percent(value) {
    if (value === null || value === undefined) return "n/a";
    return Math.round(value * 10) === 0 ? "0.0%" : (value > 0 ? "+" : "") + value.toFixed(1) + "%";
  }

  function fill(template, text1, text2) {
    return template.replace(/\{text1\}/g, text1).replace(/\{text2\}/g, text2);
  }

  // x positions: by time for periods of dates, else evenly.
  function positions(left, right) {
    let values = periods.labels.map((label, at) => at);
    if (periods.dates) {
      const times = periods.labels.map((label) => Date.parse(label.replace(" ", "T") +
        (label.length <= 10 ? "T00:00:00Z" : "Z")));
      if (times.every((time) => !Number.isNaN(time))) values = times;
    }
    const low = Math.min(...values);
    const high = Math.max(...values);
    const span = high - low || 1;
    const inset = count > 1 ? 0 : 0.5;
    return values.map((value) => left + (right - left) *
      (count > 1 ? (value - low) / span : inset));
  }

  function extent(arrays) {
    let low = Infinity;
    let high = -Infinity;
    for (const array of arrays) {
      for (const value of array) {
        if (value === null || value === undefined) continue;
        low = Math.min(low, value);
        high = Math.max(high, value);
      }
    }
    if (!Number.isFinite(low)) return [0, 1];
    if (low === high) return [low - 0.5, high + 0.5];
    const pad = (high - low) * 0.08;
    return [low - pad, high + pad];
  }

  function ticks(low, high, wanted) {
    const step0 = (high - low) / wanted;
    const power = Math.pow(10, Math.floor(Math.log10(step0)));
    const step = [1, 2, 2.5, 5, 10].map((m) => m * power).find((s) => s >= step0) || step0;
    const values = [];
    for (let value = Math.ceil(low / step) * step; value <= high + 1e-9; value += step) {
      values.push(Number(value.toFixed(10)));
    }
    return values;
  }

  // ---- the series ----------------------------------------------------------------------
  const series = document.getElementById("series");
  const SERIES_HEIGHT = 300;
  const margin = { left: 52, right: 52, top: 12, bottom: 34 };
  const xs = positions(margin.left, WIDTH - margin.right);
  const [yLow, yHigh] = extent([periods.score, periods.low, periods.high]);
  const plotBottom = SERIES_HEIGHT - margin.bottom;
  function y(value) {
    return plotBottom - (value - yLow) / (yHigh - yLow) * (plotBottom - margin.top);
  }
  let selectedLine = null;

  function segments(values) {
    const runs = [];
    let run = [];
    values.forEach((value, at) => {
      if (value === null) {
        if (run.length) runs.push(run);
        run = [];
      } else {
        run.push(at);
      }
    });
    if (run.length) runs.push(run);
    return runs;
  }

  function drawSeries() {
    series.setAttribute("viewBox", `0 0 ${WIDTH} ${SERIES_HEIGHT}`);
    const maxDocuments = Math.max(1, ...periods.documents);
    const gap = count > 1 ? Math.min(...xs.slice(1).map((x, at) => x - xs[at]).filter((g) => g > 0)) : 40;
    const barWidth = Math.max(1, Math.min(40, (Number.isFinite(gap) ? gap : 40) * 0.8));
    const bars = el("g", { class: "documents-bars" }, series);
    periods.documents.forEach((documents, at) => {
      const height = documents / maxDocuments * (plotBottom - margin.top) * 0.25;
      el("rect", { class: "documents", x: xs[at] - barWidth / 2, y: plotBottom - height,
        width: barWidth, height: height }, bars);
    });
    // The band: one polygon per run of periods with bounds.
    const bandValues = periods.low.map((low, at) => (low === null || periods.high[at] === null ? null : low));
    for (const run of segments(bandValues)) {
      const upper = run.map((at) => `${xs[at]},${y(periods.high[at])}`);
      const lower = run.slice().reverse().map((at) => `${xs[at]},${y(periods.low[at])}`);
      el("polygon", { class: "band", points: upper.concat(lower).join(" ") }, series);
    }
    for (const run of segments(periods.score)) {
      el("polyline", { class: "score-line", points: run.map((at) => `${xs[at]},${y(periods.score[at])}`).join(" ") }, series);
      if (run.length === 1) {
        el("circle", { class: "search-point", cx: xs[run[0]], cy: y(periods.score[run[0]]), r: 2.5 }, series);
      }
    }
    periods.thin.forEach((thin, at) => {
      if (thin) el("line", { class: "thin-mark", x1: xs[at], x2: xs[at], y1: plotBottom, y2: plotBottom - 8 }, series);
    });
    // Axes: scores on the left, documents on the right, periods below.
    const axis = el("g", { class: "axis" }, series);
    el("line", { x1: margin.left, x2: WIDTH - margin.right, y1: plotBottom, y2: plotBottom }, axis);
    for (const value of ticks(yLow, yHigh, 5)) {
      el("line", { x1: margin.left - 4, x2: margin.left, y1: y(value), y2: y(value) }, axis);
      el("text", { x: margin.left - 6, y: y(value) + 4, "text-anchor": "end" }, axis, String(value));
    }
    el("text", { x: 12, y: margin.top + (plotBottom - margin.top) / 2, transform: `rotate(-90 12 ${margin.top + (plotBottom - margin.top) / 2})`, "text-anchor": "middle" }, axis, "average score");
    el("text", { x: WIDTH - margin.right + 6, y: plotBottom - 2 }, axis, "0");
    el("text", { x: WIDTH - margin.right + 6, y: plotBottom - (plotBottom - margin.top) * 0.25 + 4 }, axis, String(maxDocuments));
    el("text", { x: WIDTH - 12, y: plotBottom - (plotBottom - margin.top) * 0.12, transform: `rotate(-90 ${WIDTH - 12} ${plotBottom - (plotBottom - margin.top) * 0.12})`, "text-anchor": "middle", fill: "#888" }, axis, "documents");
    const every = Math.max(1, Math.ceil(count / 8));
    for (let at = 0; at < count; at += every) {
      el("text", { x: xs[at], y: plotBottom + 16, "text-anchor": "middle" }, axis, periods.labels[at]);
    }
    // One target a period, the full height of the plot, for the click.
    const targets = el("g", { class: "targets" }, series);
    periods.labels.forEach((label, at) => {
      const left = at === 0 ? margin.left - barWidth / 2 : (xs[at - 1] + xs[at]) / 2;
      const right = at === count - 1 ? WIDTH - margin.right + barWidth / 2 : (xs[at] + xs[at + 1]) / 2;
      const target = el("rect", { class: "period", x: left, y: margin.top, width: Math.max(1, right - left),
        height: plotBottom - margin.top, "data-index": at, "data-label": label }, targets);
      el("title", {}, target, `${label}: ${fixed(periods.score[at], 3)} (${periods.documents[at]} documents)`);
      target.addEventListener("click", () => select(at));
    });
    selectedLine = el("line", { class: "selected-line", x1: 0, x2: 0, y1: margin.top, y2: plotBottom, visibility: "hidden" }, series);
  }

  // ---- one period's shift ----------------------------------------------------------------
  const shiftSvg = document.getElementById("shift");
  const shiftTitle = document.getElementById("shift-title");
  const shiftNote = document.getElementById("shift-note");
  let selected = -1;

  function reach(values) {
    return Math.max(0, ...values.filter((v) => v !== null).map(Math.abs)) || 1;
  }

  function drawShift(at) {
    clear(shiftSvg);
    const label = periods.labels[at];
    const shift = data.shifts[at];
    shiftSvg.setAttribute("data-period", label);
    if (!shift) {
      shiftTitle.textContent = `${label}: no word shift`;
      shiftNote.textContent = periods.thin[at]
        ? `A thin period: fewer than ${data.options.min_documents} documents (${periods.documents[at]}).`
        : "No period before it to compare with.";
      shiftSvg.setAttribute("viewBox", `0 0 ${WIDTH} 10`);
      return;
    }
    const against = shift.against.length > 2
      ? `${shift.against[0]} … ${shift.against[shift.against.length - 1]}` : shift.against.join(", ");
    const text1 = against === "all" ? "the whole corpus" : against;
    shiftTitle.textContent = `${label} against ${text1}`;
    const change = shift.values[0] === null || shift.values[1] === null ? null : shift.values[1] - shift.values[0];
    shiftNote.textContent = `average score: ${text1} ${fixed(shift.values[0], 3)}, ${label} ` +
      `${fixed(shift.values[1], 3)} (change ${change === null ? "n/a" : (change >= 0 ? "+" : "") + change.toFixed(3)}; ` +
      `reference score ${fixed(shift.reference, 3)}); ${periods.documents[at]} documents; ` +
      `the ${shift.words.length} words that contribute most`;
    const rows = shift.words.length;
    const rowHeight = 17;
    const summaryRows = 5;
    const top = 8;
    const wordsTop = top + summaryRows * 15 + 14;
    const height = wordsTop + rows * rowHeight + 110;
    shiftSvg.setAttribute("viewBox", `0 0 ${WIDTH} ${height}`);
    const centre = WIDTH / 2;
    const half = WIDTH / 2 - 150;
    // The summary: the total and the four kinds of contribution, on a scale of their own.
    const summary = [["total", "Σ total", shift.total]].concat(
      Object.keys(data.marks).map((key) => [key, data.marks[key], shift.components[key]]));
    const summaryReach = reach(summary.map((row) => row[2]));
    const summaryGroup = el("g", { class: "summary" }, shiftSvg);
    summary.forEach(([key, mark, value], row) => {
      const length = (value || 0) / summaryReach * half;
      const yTop = top + row * 15;
      el("rect", { class: "summary-bar", "data-key": key, x: Math.min(centre, centre + length), y: yTop,
        width: Math.abs(length), height: 12, fill: data.colours[key] }, summaryGroup);
      el("text", { class: "summary-label" + (key === "total" ? " total" : ""), x: centre + length + (length >= 0 ? 4 : -4),
        y: yTop + 10, "text-anchor": length >= 0 ? "start" : "end" }, summaryGroup, `${mark} ${percent(value)}`);
    });
    el("line", { class: "zero", x1: centre, x2: centre, y1: top - 2, y2: top + summaryRows * 15 }, shiftSvg);
    el("line", { x1: centre - half - 40, x2: centre + half + 40, y1: wordsTop - 8, y2: wordsTop - 8, stroke: "#bbb" }, shiftSvg);
    // The words, the largest contribution first.
    const values = [];
    for (const word of shift.words) values.push(word[1], word[3], word[4]);
    const wordReach = reach(values);
    const wordsGroup = el("g", { class: "words" }, shiftSvg);
    shift.words.forEach(([word, share, component, low, high], row) => {
      const length = (share || 0) / wordReach * half;
      const yTop = wordsTop + row * rowHeight;
      el("rect", { class: "word-bar", "data-word": word, "data-component": component,
        x: Math.min(centre, centre + length), y: yTop, width: Math.abs(length),
        height: rowHeight * 0.8, fill: data.colours[component] }, wordsGroup);
      // The label stands beyond the bar and its interval, so that no line crosses it.
      let labelFrom = centre + length;
      if (low !== null && high !== null) {
        const yMiddle = yTop + rowHeight * 0.4;
        const x1 = centre + low / wordReach * half;
        const x2 = centre + high / wordReach * half;
        labelFrom = length >= 0 ? Math.max(labelFrom, x2) : Math.min(labelFrom, x1);
        el("line", { class: "interval", "data-word": word, x1: x1, x2: x2, y1: yMiddle, y2: yMiddle }, wordsGroup);
        el("line", { class: "interval", x1: x1, x2: x1, y1: yMiddle - 3, y2: yMiddle + 3 }, wordsGroup);
        el("line", { class: "interval", x1: x2, x2: x2, y1: yMiddle - 3, y2: yMiddle + 3 }, wordsGroup);
      }
      const right = length >= 0;
      el("text", { class: "word-label", "data-rank": row + 1, x: labelFrom + (right ? 4 : -4),
        y: yTop + rowHeight * 0.62, "text-anchor": right ? "start" : "end" }, wordsGroup,
        `${word} ${percent(share)}`);
    });
    el("line", { class: "zero", x1: centre, x2: centre, y1: wordsTop - 4, y2: wordsTop + rows * rowHeight }, shiftSvg);
    const axisY = wordsTop + rows * rowHeight + 16;
    el("text", { x: centre, y: axisY, "text-anchor": "middle" }, shiftSvg,
      `Contribution to the change of the average score, % of all contributions`);
    el("text", { x: centre - 8, y: axisY + 14, "text-anchor": "end" }, shiftSvg, `← lowers ${label}'s average`);
    el("text", { x: centre + 8, y: axisY + 14 }, shiftSvg, `raises ${label}'s average →`);
    const legend = el("g", { class: "legend" }, shiftSvg);
    Object.keys(data.legend).forEach((key, index) => {
      const x = 40 + (index % 2) * (WIDTH / 2);
      const yLine = axisY + 34 + Math.floor(index / 2) * 16;
      el("rect", { x: x, y: yLine - 9, width: 18, height: 10, fill: data.colours[key] }, legend);
      el("text", { x: x + 24, y: yLine }, legend, fill(data.legend[key], text1, label));
    });
    if (shift.words.some((word) => word[3] !== null)) {
      const yLine = axisY + 34 + 2 * 16;
      el("line", { class: "interval", x1: 40, x2: 58, y1: yLine - 4, y2: yLine - 4 }, legend);
      el("text", { x: 64, y: yLine }, legend,
        `${Math.round(data.options.ci * 100)}% bootstrap interval of the word's contribution (${data.options.intervals} resamples)`);
    }
  }

  function select(at) {
    if (at < 0 || at >= count) return;
    selected = at;
    selectedLine.setAttribute("x1", xs[at]);
    selectedLine.setAttribute("x2", xs[at]);
    selectedLine.setAttribute("visibility", "visible");
    series.setAttribute("data-selected", String(at));
    drawShift(at);
  }

  series.addEventListener("keydown", (event) => {
    if (event.key === "ArrowLeft" || event.key === "ArrowRight") {
      event.preventDefault();
      select(Math.min(count - 1, Math.max(0, selected + (event.key === "ArrowRight" ? 1 : -1))));
    }
  });

  // ---- one word through the periods -----------------------------------------------------
  const search = data.search;
  const searchIndex = new Map(search.words.map((word, at) => [word, at]));
  const searchChart = document.getElementById("search-chart");
  const searchNote = document.getElementById("search-note");

  function shares(at) {
    const values = new Array(count).fill(0);
    const pairs = search.counts[at];
    let period = 0;
    for (let i = 0; i < pairs.length; i += 2) {
      period += pairs[i];
      values[period] = pairs[i + 1];
    }
    return values.map((found, period) => (periods.scored[period] > 0 ? found / periods.scored[period] * 100 : null));
  }

  function drawSearch(raw) {
    clear(searchChart);
    const asked = raw.trim().normalize("NFC");
    let at = searchIndex.get(asked);
    if (at === undefined) at = searchIndex.get(asked.toLowerCase());
    if (asked === "") {
      searchNote.textContent = "";
      return;
    }
    if (at === undefined) {
      searchChart.setAttribute("viewBox", `0 0 ${WIDTH} 10`);
      searchNote.textContent = `“${asked}” is not among the ${search.words.length.toLocaleString("en")} scored words of the corpus that can be searched` +
        (search.complete ? "." : ` (the most frequent of ${search.vocabulary.toLocaleString("en")}).`);
      return;
    }
    const word = search.words[at];
    const values = shares(at);
    const height = 200;
    const bottom = height - 28;
    const topY = 10;
    searchChart.setAttribute("viewBox", `0 0 ${WIDTH} ${height}`);
    searchChart.setAttribute("data-word", word);
    const high = Math.max(...values.filter((v) => v !== null), 0) || 1;
    const yOf = (value) => bottom - value / high * (bottom - topY);
    const axis = el("g", { class: "axis" }, searchChart);
    el("line", { x1: margin.left, x2: WIDTH - margin.right, y1: bottom, y2: bottom }, axis);
    for (const value of ticks(0, high, 4)) {
      el("text", { x: margin.left - 6, y: yOf(value) + 4, "text-anchor": "end" }, axis, `${value}%`);
    }
    const every = Math.max(1, Math.ceil(count / 8));
    for (let period = 0; period < count; period += every) {
      el("text", { x: xs[period], y: bottom + 16, "text-anchor": "middle" }, axis, periods.labels[period]);
    }
    for (const run of segments(values)) {
      el("polyline", { class: "search-line", points: run.map((p) => `${xs[p]},${yOf(values[p])}`).join(" ") }, searchChart);
    }
    values.forEach((value, period) => {
      if (value === null) return;
      const point = el("circle", { class: "search-point", cx: xs[period], cy: yOf(value), r: count > 120 ? 1.2 : 2.5,
        "data-index": period, "data-share": value }, searchChart);
      el("title", {}, point, `${periods.labels[period]}: ${value.toFixed(3)}%`);
    });
    searchNote.textContent = `“${word}”: its share of each period's scored words, in percent.`;
  }

  document.getElementById("search-form").addEventListener("submit", (event) => {
    event.preventDefault();
    drawSearch(document.getElementById("search").value);
  });
  const datalist = document.getElementById("search-words");
  // Suggestions: the most frequent words (all can be searched).
  for (const word of search.words.slice(0, 500)) {
    const option = document.createElement("option");
    option.value = word;
    datalist.appendChild(option);
  }

  // ---- how the report was made ------------------------------------------------------------
  function info() {
    const list = document.getElementById("info");
    const rows = [];
    const lexicon = data.lexicon;
    rows.push(["lexicon", `${lexicon.name} (${lexicon.language}, ${lexicon.entries.toLocaleString("en")} words)` +
      (lexicon.sources.length ? `; ${lexicon.sources.join("; ")}` : "")]);
    rows.push(["coverage", data.coverage === null ? "n/a" : `${(data.coverage * 100).toFixed(1)}% of the corpus's words are scored`]);
    const options = data.options;
    const thin = periods.thin.filter(Boolean).length;
    rows.push(["periods", `${count.toLocaleString("en")} ` +
      (options.freq ? `periods of pandas' ${options.freq}, labelled by their start` : "groups") +
      (thin ? `; ${thin} thin (fewer than ${options.min_documents} documents each): no score, no shift` : "")]);
    rows.push(["reference", options.reference === "previous"
      ? `the ${options.window} period${options.window === 1 ? "" : "s"} before each, pooled`
      : options.reference === "all" ? "the whole corpus" : `the period ${options.reference}`]);
    rows.push(["band", options.n_boot ? `${Math.round(options.ci * 100)}% bootstrap interval, ${options.n_boot} resamples, seed ${options.seed}` : "none"]);
    rows.push(["word intervals", options.intervals ? `${options.intervals} resamples a period, seed ${options.seed}` : "not computed"]);
    rows.push(["stop lens", options.stop_lens ? `words scored ${options.stop_lens[0]} to ${options.stop_lens[1]} left out` : "none"]);
    rows.push(["stop words", options.stop_words ? `${options.stop_words} words left out` : "none"]);
    if (options.time_zones) rows.push(["time zones", options.time_zones]);
    if (options.negation) rows.push(["negation", "a negated word counts apart (\"not good\"), scored 5 - (score - 5) / 2"]);
    for (const [key, value] of Object.entries(data.source)) rows.push([key, String(value)]);
    rows.push(["made by", `moodvane ${data.version}, ${data.generated}`]);
    for (const [term, description] of rows) {
      const dt = document.createElement("dt");
      dt.textContent = term;
      const dd = document.createElement("dd");
      dd.textContent = description;
      dd.setAttribute("data-term", term);
      list.appendChild(dt);
      list.appendChild(dd);
    }
  }

  drawSeries();
  info();
  const totalDocuments = periods.documents.reduce((a, b) => a + b, 0);
  document.getElementById("summary").textContent =
    `${totalDocuments.toLocaleString("en")} documents in ${count.toLocaleString("en")} periods; ` +
    `each period's word shift is against ${data.options.reference === "previous" ? "the periods before it" : data.options.reference === "all" ? "the whole corpus" : data.options.reference}.`;
  // The last period that has a shift is shown first.
  let initial = count - 1;
  while (initial > 0 && !data.shifts[initial]) initial -= 1;
  select(initial);
  document.body.setAttribute("data-ready", "true");
})();
