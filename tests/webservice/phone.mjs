// The phone and the identity provider for the sign-in tests, driven over
// stdin/stdout one line at a time:
//   node phone.mjs CLIENT_SECRET   prints "issuer URL"
//   < "service URL"                registers the service as the client, prints "ready"
//   < "scan URL confirm|cancel NAME"
//                                   opens URL in headless Chromium, signs in at the
//                                   provider as NAME, answers the service's question,
//                                   prints "page TITLE" (the service's last heading)
//   < "hold URL NAME"              as scan, but stops at the question and prints
//                                   "held COOKIE STATE CSRF" (what the page holds)
import http from "node:http";
import readline from "node:readline";
import Provider from "oidc-provider";
import { chromium } from "playwright-core";

const secret = process.argv[2];
const server = http.createServer((req, res) => {
  res.statusCode = 503;
  res.end("not ready");
});
await new Promise((done) => server.listen(0, "127.0.0.1", done));
const issuer = `http://127.0.0.1:${server.address().port}`;
console.log(`issuer ${issuer}`);

let browser;
// Every scan comes from a fresh phone, so the provider always asks who it is.
async function page() {
  if (!browser) {
    browser = await chromium.launch({
      executablePath: process.env.TESSALY_CHROMIUM || "/usr/bin/chromium",
      args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
        "--disable-dev-shm-usage", "--no-first-run"],
    });
  }
  const context = await browser.newContext();
  const tab = await context.newPage();
  tab.on("close", () => context.close());
  return tab;
}

function provide(serviceUrl) {
  const provider = new Provider(issuer, {
    clients: [{
      client_id: "tessaly",
      client_secret: secret,
      redirect_uris: [`${serviceUrl}/login/callback`],
      grant_types: ["authorization_code"],
      response_types: ["code"],
    }],
    async findAccount(ctx, id) {
      return {
        accountId: id,
        async claims() {
          return { sub: `subject-${id}`, nickname: `昵称 ${id}`, preferred_username: id };
        },
      };
    },
    claims: { openid: ["sub"], profile: ["nickname", "preferred_username"] },
    pkce: { required: () => true },
    features: { devInteractions: { enabled: true } },
    cookies: { keys: ["tessaly-test-cookie-key"] },
    ttl: { Interaction: 600, Session: 600, Grant: 600, AccessToken: 600, IdToken: 600 },
  });
  provider.on("server_error", (ctx, error) => console.error("provider:", error));
  const handle = provider.callback();
  server.removeAllListeners("request");
  server.on("request", handle);
}

async function heading(tab) {
  return (await tab.locator("h1").first().textContent()).trim();
}

// Signs in at the provider and stops at the service's question.
async function signIn(tab, url, name) {
  await tab.goto(url);
  await tab.locator("input[name=login]").fill(name);
  await tab.locator("input[name=password]").fill("any");
  await tab.locator("button[type=submit]").click();
  await tab.waitForFunction(() => !document.querySelector("input[name=login]"));
  // The provider's consent page, when it asks.
  const question = tab.locator("#confirm");
  const consent = tab.locator("form button[type=submit]");
  await Promise.race([question.waitFor(), consent.waitFor()]);
  if (!(await question.isVisible()))
    await consent.click();
  await question.waitFor();
}

async function scan(url, decision, name) {
  const tab = await page();
  try {
    await signIn(tab, url, name);
    await tab.locator(`#${decision}`).click();
    await tab.waitForFunction(() => document.title !== "在电脑上登录 Tessaly？");
    return await heading(tab);
  } finally {
    await tab.close();
  }
}

async function hold(url, name) {
  const tab = await page();
  try {
    await signIn(tab, url, name);
    const cookie = (await tab.context().cookies(url)).find((c) => c.name === "tessaly_signin");
    const state = await tab.locator("input[name=state]").inputValue();
    const csrf = await tab.locator("input[name=csrf]").inputValue();
    return `held ${cookie.name}=${cookie.value} ${state} ${csrf}`;
  } finally {
    await tab.close();
  }
}

const lines = readline.createInterface({ input: process.stdin });
for await (const line of lines) {
  const [command, ...args] = line.trim().split(/\s+/);
  try {
    if (command === "service") {
      provide(args[0]);
      console.log("ready");
    } else if (command === "scan") {
      console.log(`page ${await scan(args[0], args[1], args[2])}`);
    } else if (command === "hold") {
      console.log(await hold(args[0], args[1]));
    } else {
      console.log(`error unknown command ${command}`);
    }
  } catch (error) {
    console.log(`error ${String(error.message || error).split("\n")[0]}`);
  }
}
if (browser)
  await browser.close();
server.close();
