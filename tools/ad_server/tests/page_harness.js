// Runs a page's script under Node with just enough of a browser around it: a document whose
// iframes are recorded instead of loaded, and fetch() against a real server. CorePageTest uses
// it to drive the SDK core page against our ad server.
//
//   node page_harness.js <page.html> <origin> <plan.json>
//
// The plan is an array of steps, each {"calls": [[function, arg...], ...]} (a function may be a
// dotted path from the window) and optionally
// {"origin": "..."} to send the page's requests elsewhere from then on. The calls of a step are
// made in one turn; once the page has gone quiet, the gmsg URLs it navigated to are collected.
// Prints a JSON array with one array of URLs per step, plus one for the page's own start.
'use strict';

const fs = require('fs');

const [pagePath, startOrigin, planPath] = process.argv.slice(2);
const html = fs.readFileSync(pagePath, 'utf8');
const match = /<script>([\s\S]*?)<\/script>/.exec(html);
if (!match) {
  console.error('no script in ' + pagePath);
  process.exit(2);
}
const plan = JSON.parse(fs.readFileSync(planPath, 'utf8'));

let origin = startOrigin;
let inFlight = 0;
let frames = [];

const body = {
  appendChild(node) {
    node.parentNode = body;
    frames.push(node.src);
  },
  removeChild(node) {
    node.parentNode = null;
  },
};
const document = {
  body,
  documentElement: body,
  createElement(tag) {
    return {tagName: tag, style: {}, src: '', parentNode: null};
  },
};

// Reads the whole answer before the page sees it, so "nothing in flight" means the page has
// only promise callbacks left to run.
async function fetchFromServer(path, options) {
  inFlight++;
  try {
    // "cache" is a browser's hint; Node's fetch need not know it.
    const {cache, ...rest} = options || {};
    // The page's own calls name a path; pings name a whole URL.
    const response = await fetch(/^https?:/.test(path) ? path : origin + path, rest);
    const text = await response.text();
    return {ok: response.ok, status: response.status, json: async () => JSON.parse(text)};
  } finally {
    inFlight--;
  }
}

const window = {};
// Frames are removed by timers long after their navigation; nothing here needs them.
const ignoreTimer = () => 0;
new Function('window', 'document', 'fetch', 'setTimeout', match[1])(
    window, document, fetchFromServer, ignoreTimer);

const nextTurn = () => new Promise((resolve) => setImmediate(resolve));

async function settle() {
  const deadline = Date.now() + 10000;
  let quietTurns = 0;
  while (quietTurns < 3) {
    if (Date.now() > deadline) throw new Error('the page never went quiet');
    await nextTurn();
    quietTurns = inFlight === 0 ? quietTurns + 1 : 0;
  }
}

(async () => {
  const results = [];
  await settle();
  results.push(frames);
  for (const step of plan) {
    frames = [];
    if (step.origin) origin = step.origin;
    for (const [name, ...args] of step.calls || []) {
      // A dotted name reaches into the page's objects ("zivivu.rade.nativeAds.x").
      const path = name.split('.');
      const owner = path.slice(0, -1).reduce((object, key) => object[key], window);
      owner[path[path.length - 1]](...args);
    }
    await settle();
    results.push(frames);
  }
  // Writes to a pipe finish later; leave only once this one has.
  process.stdout.write(JSON.stringify(results), () => process.exit(0));
})().catch((error) => {
  console.error(String(error && error.stack || error));
  process.exit(1);
});
