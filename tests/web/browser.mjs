// Debian's Chromium, headless, driven over the DevTools protocol, and the checks every state of a page
// gets at a phone's and a desktop's width: axe-core's WCAG 2.x A/AA rules, a keyboard-only pass and
// a screenshot.
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import puppeteer from 'puppeteer-core';

const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
export const widths = [360, 1280];
const wcagTags = ['wcag2a', 'wcag2aa', 'wcag21aa', 'wcag22aa'];
const controls = 'a[href], button, input:not([type=hidden]), select, textarea, summary, [tabindex]:not([tabindex="-1"])';

// The local certificate is trusted by its public key's hash, which Chromium honours only with a
// profile folder of its own (`profile`, a fresh folder the caller removes); root has no sandbox.
export async function launchChromium(spkiHash, profile) {
    const args = ['--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync'];
    if (process.getuid() === 0) args.push('--no-sandbox');
    if (spkiHash) args.push(`--ignore-certificate-errors-spki-list=${spkiHash}`);
    return puppeteer.launch({
        executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true, userDataDir: profile, args,
    });
}

// axe-core's violations on the page as it is; evaluated over the DevTools protocol, which the
// page's Content-Security-Policy does not govern.
export async function axeViolations(page) {
    if (!(await page.evaluate(() => Boolean(window.axe)))) await page.evaluate(axeSource);
    return page.evaluate(async (tags) => {
        const result = await window.axe.run(document, { runOnly: { type: 'tag', values: tags }, resultTypes: ['violations'] });
        return result.violations.map((v) => `${v.id} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`);
    }, wcagTags);
}

// Tabs through the page (twice round) and reports each control Tab never reaches, and each focused
// control that is off-screen, covered, or shows no focus ring.
export async function keyboardProblems(page) {
    const count = await page.$$eval(controls, (all) => all.filter((e) => e.getClientRects().length && !e.disabled).length);
    const reached = new Set();
    const problems = [];
    for (let press = 0; press < 2 * count + 2; press++) {
        await page.keyboard.press('Tab');
        const focus = await page.evaluate((selector) => {
            const e = document.activeElement;
            const index = [...document.querySelectorAll(selector)].indexOf(e);
            if (index < 0) return null;
            const r = e.getBoundingClientRect();
            const s = getComputedStyle(e);
            const x = r.left + r.width / 2, y = r.top + r.height / 2;
            const onTop = document.elementFromPoint(x, y);
            // The same control unfocused, for a ring drawn as a shadow.
            const twin = e.cloneNode(true);
            twin.removeAttribute('id');
            e.after(twin);
            const restingShadow = getComputedStyle(twin).boxShadow;
            twin.remove();
            return {
                index, name: `${e.tagName.toLowerCase()} "${(e.innerText || e.value || e.name || '').trim().slice(0, 40)}"`,
                shown: x >= 0 && y >= 0 && x < innerWidth && y < innerHeight && Boolean(onTop) && (e.contains(onTop) || onTop.contains(e)),
                ring: (s.outlineStyle !== 'none' && parseFloat(s.outlineWidth) >= 1 && !/rgba\(.*, 0\)$/.test(s.outlineColor))
                    || s.boxShadow !== restingShadow,
            };
        }, controls);
        if (!focus || reached.has(focus.index)) continue;
        reached.add(focus.index);
        if (!focus.shown) problems.push(`focused ${focus.name} is off-screen or covered`);
        if (!focus.ring) problems.push(`focused ${focus.name} shows no focus ring`);
    }
    if (reached.size < count) problems.push(`Tab reaches ${reached.size} of ${count} controls`);
    return problems;
}

// Every check at both widths, with a screenshot each; returns what failed, labelled.
export async function checkState(page, name, artifacts) {
    const failures = [];
    for (const width of widths) {
        await page.setViewport({ width, height: 780 });
        const label = `${name} at ${width} px`;
        for (const v of await axeViolations(page)) failures.push(`${label}: axe ${v}`);
        for (const p of await keyboardProblems(page)) failures.push(`${label}: ${p}`);
        await page.evaluate(() => document.activeElement?.blur());
        await page.screenshot({ path: path.join(artifacts, `${name}-${width}.png`), fullPage: true });
    }
    return failures;
}
