// A relative follows the player from the mails, in Chromium, through nginx, by keyboard: the overview
// shows what relative_activity.php gives, picks up an alert and the player's removal by itself, and
// every page state passes axe-core and a keyboard-only pass at 360 and 1280 px (screenshots beside).
// What the server answers to each request (link expiry, cookies, sessions, unsubscribing) is
// tests/server/WebOverviewTest's. Environment (run-overview-test.sh sets it): MOLVENA_WEB_ORIGIN,
// MOLVENA_WEB_CERT, MOLVENA_WEB_SPKI, MOLVENA_WEB_DATA (the server's data folder), MOLVENA_WEB_PROFILE,
// MOLVENA_TEST_ARTIFACTS.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { origin, request, api, mailTo, signInLinkIn, pairedRelative } from './backend.mjs';
import { launchChromium, checkState } from './browser.mjs';

const env = process.env;
const artifacts = path.join(env.MOLVENA_TEST_ARTIFACTS, 'web');
fs.mkdirSync(artifacts, { recursive: true });
const failures = [];

// A page's visible text, and a press on the control named `label` by keyboard, as a user without a
// mouse does: Tab until it has focus, then Enter.
const mainText = (page) => page.$eval('main', (m) => m.innerText);
async function press(page, label) {
    for (let i = 0; i < 40; i++) {
        await page.keyboard.press('Tab');
        const focused = await page.evaluate(() => (document.activeElement.innerText || document.activeElement.value || '').trim());
        if (focused === label) {
            await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
            return;
        }
    }
    throw new Error(`Tab never reaches "${label}" on ${page.url()}`);
}
async function state(page, name) {
    failures.push(...await checkState(page, name, artifacts));
}

const { player, relative, pairing, report, signIn } = await pairedRelative();
assert.ok(signIn, 'the confirmation mail carries a sign-in link');

const browser = await launchChromium(env.MOLVENA_WEB_SPKI, env.MOLVENA_WEB_PROFILE);
const context = await browser.createBrowserContext();
const page = await context.newPage();
// Nothing from another origin, no script error, no Content-Security-Policy refusal.
page.on('request', (r) => { if (!r.url().startsWith(`${origin}/`)) failures.push(`request to another origin: ${r.url()}`); });
page.on('console', (m) => { if (m.type() === 'error' && !/status of 4\d\d/.test(m.text())) failures.push(`console: ${m.text()}`); });
page.on('pageerror', (e) => failures.push(`script error: ${e.message}`));

await page.goto(`${origin}/oversigt/`);
assert.ok(await page.$('main input[type=email]'), 'without a session: the send-link form');
await state(page, 'log-ind-side');

await page.goto(signIn);
await state(page, 'link');
await press(page, 'Log ind');
assert.equal(page.url(), `${origin}/oversigt/`);

// The overview shows the backend's events in its order and times (the name, days and shield are
// WebOverviewTest's), and nothing of the player's or the relative's addresses.
const matches = async ({ history }) => {
    const text = await mainText(page);
    const at = history.map((h) => text.indexOf(h.title));
    assert.ok(at.every((i, n) => i >= 0 && (n === 0 || i > at[n - 1])), `history in order: ${history.map((h) => h.title)}`);
    assert.ok(history.every((h) => text.includes(h.timestamp)), 'each event\'s time as the backend gives it');
    assert.doesNotMatch(text, new RegExp(`${player.email}|${relative}|${player.device_token}`));
};
const activity = async () => (await request('GET', `/api/relative_activity.php?token=${pairing.pairing_token}`)).json;
await matches(await activity());
await state(page, 'overblik');

// The Mac reports its web protection removed; an open overview refreshes by itself (its 30-s timer
// hurried to 1 s, within nginx's pace for pages) and shows the alert and the shield off.
const watch = async () => {
    const watcher = await context.newPage();
    await watcher.evaluateOnNewDocument(() => {
        const every = window.setInterval;
        window.setInterval = (f, ms, ...a) => every(f, Math.min(ms, 1000), ...a);
    });
    await watcher.goto(`${origin}/oversigt/`);
    return watcher;
};
let watcher = await watch();
await report(0);
await api('send_notification.php', { device_token: player.device_token, reason: 'mac_dns_profile_removed_externally', platform: 'macos' });
await watcher.waitForFunction(() => /Webbeskyttelsen er fjernet/.test(document.querySelector('main').innerText), { timeout: 10000 });
assert.match(await watcher.$eval('main', (m) => m.innerText), /Skjold ikke aktivt/);
await watcher.close();
await page.reload();
await matches(await activity());
await state(page, 'overblik-advarsel');

// The alert mail's unsubscribe page, and the way back on it and on the overview.
const unsubscribe = (await mailTo(relative, 'alert')).match(/^List-Unsubscribe:\s*<([^>]+)>/m)?.[1];
await page.goto(unsubscribe);
await state(page, 'afmeld');
await press(page, 'Afmeld advarsler');
await state(page, 'afmeldt');
await page.goto(`${origin}/oversigt/`);
await state(page, 'overblik-afmeldt');
await press(page, 'Modtag advarsler igen');
assert.match(await mainText(page), /Afmeld advarsler/);
await page.goto(unsubscribe.replace(/token=.*/, 'token=1-ukendt'));
await state(page, 'afmeld-ukendt');

// A spent or unknown link is refused in Danish with a form for a fresh one; the relative asks for it.
for (const [name, link] of [['brugt', signIn], ['ukendt', signIn.replace(/token=.*/, 'token=0000')]]) {
    await page.goto(link);
    assert.match(await page.$eval('main h1', (h) => h.innerText), /Linket virker ikke længere/);
    await state(page, `link-${name}`);
}
await page.type('main input[type=email]', relative);
await press(page, 'Send mig et link');
await state(page, 'link-sendt');
const fresh = signInLinkIn(await mailTo(relative, 'web_sign_in'));

await page.goto(`${origin}/oversigt/`);
await press(page, 'Log ud');
assert.ok(await page.$('main input[type=email]'), 'after "Log ud": the sign-in page');

// Signed in again with the fresh link: when the player removes the relative, the open overview falls
// back to the sign-in page by itself.
await page.goto(fresh);
await press(page, 'Log ind');
watcher = await watch();
assert.ok(await watcher.$('#overblik'), 'signed in again with the fresh link');
const listed = await request('GET', `/api/mac_player_status.php?device_token=${player.device_token}`);
const removed = await api('mac_account.php', { action: 'remove_relative', device_token: player.device_token, pin: '1234', relative_id: listed.json.relatives[0].id });
assert.equal(removed.json?.success, true, removed.text);
await watcher.waitForFunction(() => document.querySelector('main input[type=email]'), { timeout: 10000 });

await browser.close();
assert.deepEqual(failures, []);
console.log(`web overview: every state passed in Chromium at 360 and 1280 px; screenshots in ${artifacts}`);
