// A relative follows the player from the mails, in Chromium, through nginx: the confirmation mail's
// link signs in, the overview shows what relative_activity.php gives and picks up an alert by itself,
// spent and expired links are refused in Danish, "Log ud" and the player's removal end the session,
// and every state passes axe-core and a keyboard-only pass at 360 and 1280 px (screenshots beside).
// Environment (tests/web/run-overview-test.sh sets it): MOLVENA_WEB_ORIGIN, MOLVENA_WEB_CERT,
// MOLVENA_WEB_SPKI, MOLVENA_WEB_DATA (the server's data folder), MOLVENA_WEB_PROFILE, MOLVENA_WEB_CLOCK
// (the server's --clock-offset-file), MOLVENA_TEST_ARTIFACTS.
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

// A mail scanner's GET spends nothing; the relative's press on "Log ind" signs in.
assert.equal((await request('GET', signIn)).status, 200);
await page.goto(signIn);
await state(page, 'link');
await press(page, 'Log ind');
assert.equal(page.url(), `${origin}/oversigt/`);
const [cookie] = await page.cookies();
assert.deepEqual([cookie.httpOnly, cookie.secure, cookie.sameSite, cookie.path], [true, true, 'Strict', '/oversigt/']);
assert.equal(await page.evaluate(() => document.cookie), '', 'the session cookie is out of scripts\' reach');

// The overview tells what the backend tells the app, in the same words.
const matches = async (activity) => {
    const { summary, history } = activity;
    assert.match(await page.$eval('main h1', (h) => h.innerText), new RegExp(summary.player_name.split(' ')[0]));
    const text = await mainText(page);
    assert.match(text, new RegExp(`\\b${summary.days_clean}\\b`));
    assert.match(text, summary.shield_active ? /Skjold aktivt/ : /Skjold ikke aktivt/);
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

// The alert mail's one-click unsubscribe, as a mail provider posts it, and the way back on the page.
const alert = await mailTo(relative, 'alert');
const unsubscribe = alert.text.match(/^List-Unsubscribe:\s*<([^>]+)>/m)?.[1];
assert.match(alert.text, /^List-Unsubscribe-Post: List-Unsubscribe=One-Click\r$/m);
assert.equal((await request('POST', unsubscribe, 'List-Unsubscribe=One-Click')).status, 200);
await page.reload();
await state(page, 'overblik-afmeldt');
await press(page, 'Modtag advarsler igen');
assert.match(await mainText(page), /Afmeld advarsler/);
await page.goto(unsubscribe);
await state(page, 'afmeld');
await press(page, 'Afmeld advarsler');
await state(page, 'afmeldt');
await press(page, 'Modtag advarsler igen');
assert.equal((await page.goto(unsubscribe.replace(/token=.*/, 'token=1-ukendt'))).status(), 404);
await state(page, 'afmeld-ukendt');

// Links that must not sign in: spent, unknown, expired (below). Each is refused in Danish with a way
// to get a fresh one; a POST of them sets no cookie.
const refused = async (name, link, status) => {
    const posted = await request('POST', '/oversigt/log-ind', { token: new URL(link).searchParams.get('token') }, { origin });
    assert.ok(posted.status === status && !posted.headers['set-cookie'], `${name} link: POST ${posted.status}`);
    assert.equal((await page.goto(link)).status(), status, `${name} link: GET`);
    assert.match(await page.$eval('main h1', (h) => h.innerText), /Linket virker ikke længere/);
    assert.ok(await page.$('main input[type=email]'), `${name} link offers a fresh link`);
    await state(page, `link-${name}`);
};
await refused('brugt', signIn, 410);
await refused('ukendt', signIn.replace(/token=.*/, 'token=0000'), 404);

// "Send mig et link": the same answer for a relative's address and an unknown one; the relative's
// mail arrives (its link signs in below).
const answers = [];
for (const address of ['ukendt@example.dk', relative]) {
    await page.goto(`${origin}/oversigt/log-ind?token=0000`);
    await page.type('main input[type=email]', address);
    await press(page, 'Send mig et link');
    answers.push(await mainText(page));
}
assert.equal(answers[0], answers[1]);
await state(page, 'link-sendt');
await mailTo(relative, 'web_sign_in');

// "Log ud" ends the session on the server too: the old cookie put back opens nothing.
await page.goto(`${origin}/oversigt/`);
await press(page, 'Log ud');
assert.ok(await page.$('main input[type=email]'), 'after "Log ud": the sign-in page');
await page.setCookie(cookie);
await page.goto(`${origin}/oversigt/`);
assert.ok(await page.$('main input[type=email]'), 'the ended session stays ended');

// A week and a day later the alert mail's link has expired. Then the clock goes back; the server may
// have cleared that week's mails meanwhile, with their links, so the relative asks for a fresh one.
fs.writeFileSync(env.MOLVENA_WEB_CLOCK, String(8 * 86400));
await refused('udloebet', signInLinkIn(alert.text), 410);
fs.writeFileSync(env.MOLVENA_WEB_CLOCK, '0');
await request('POST', '/oversigt/send-link', { email: relative }, { origin });
const fresh = signInLinkIn((await mailTo(relative, 'web_sign_in', 1)).text);

// The player removes the relative: the open overview falls back to the sign-in page by itself.
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
