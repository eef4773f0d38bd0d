// The backend as the Mac app and the mail reader meet it: requests over TLS to nginx (trusting the
// local certificate, as the browser does) and the mails in the server's outbox folder.
// Environment: MOLVENA_WEB_ORIGIN, MOLVENA_WEB_CERT, MOLVENA_WEB_DATA (the server's data folder).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import https from 'node:https';
import path from 'node:path';
import { randomUUID } from 'node:crypto';

export const origin = process.env.MOLVENA_WEB_ORIGIN;
const ca = fs.readFileSync(process.env.MOLVENA_WEB_CERT);
const outbox = path.join(process.env.MOLVENA_WEB_DATA, 'outbox');

export function request(method, target, form, headers = {}) {
    const body = form === undefined ? '' : typeof form === 'string' ? form : new URLSearchParams(form).toString();
    return new Promise((resolve, reject) => {
        const r = https.request(new URL(target, origin), {
            method, ca, headers: { 'content-type': 'application/x-www-form-urlencoded', 'content-length': Buffer.byteLength(body), ...headers },
        }, (reply) => {
            let text = '';
            reply.setEncoding('utf8').on('data', (d) => { text += d; }).on('end', () => {
                let json = null;
                try { json = JSON.parse(text); } catch { /* a page, not JSON */ }
                resolve({ status: reply.statusCode, headers: reply.headers, text, json });
            });
        });
        r.on('error', reject);
        r.end(body);
    });
}
export const api = (endpoint, fields) => request('POST', `/api/${endpoint}`, fields);

// The text of the newest mail to `address` whose file name ends in `kind`, once there is one.
// Newest by the file's time: names and Date headers tell only the second, and the server's clock.
export async function mailTo(address, kind) {
    for (let attempt = 0; attempt < 100; attempt++) {
        const mails = fs.existsSync(outbox) ? fs.readdirSync(outbox).filter((f) => f.endsWith(`-${kind}.eml`))
            .map((f) => path.join(outbox, f)).sort((a, b) => fs.statSync(a).mtimeMs - fs.statSync(b).mtimeMs)
            .map((f) => fs.readFileSync(f, 'utf8')).filter((m) => m.includes(`\r\nTo: ${address}\r\n`)) : [];
        if (mails.length) return mails.at(-1);
        await new Promise((r) => setTimeout(r, 100));
    }
    throw new Error(`no ${kind} mail to ${address}`);
}
export const linkIn = (mail, pattern) => mail.match(new RegExp(`https://\\S*${pattern}[^\\s>]*`))?.[0];
export const signInLinkIn = (mail) => linkIn(mail, '/oversigt/log-ind\\?token=');

// A player registered and confirmed as the Mac app does it, 12 days gambling-free and protected,
// and a relative paired with the code who confirmed the address from the mail. `signIn` is the
// sign-in link of that confirmation mail.
export async function pairedRelative() {
    const player = { device_token: `mac-${randomUUID()}`, pairing_code: '482917', email: 'anna@example.dk' };
    const relative = 'bo@example.dk';
    const registered = await api('pairing.php', { action: 'register', ...player, name: 'Anna Østergaard', push_token: '', master_pin: '1234', support_contacts: '', country: 'DK' });
    assert.equal(registered.json?.success, true, registered.text);
    const confirm = async (mail) => {
        const link = linkIn(mail, 'confirm_\\w+\\.php\\?token=');
        assert.equal((await request('GET', link)).status, 200);
        assert.equal((await request('POST', link.split('?')[0], new URL(link).search.slice(1))).status, 200);
    };
    await confirm(await mailTo(player.email, 'player_confirmation'));
    await api('save_player_profile.php', { device_token: player.device_token, last_gambling_date: Math.floor(Date.now() / 1000) - 12 * 86400, location_type: 'online', game_types: 'casino', monthly_spend_dkk: 2000 });
    const pairing = (await api('pairing.php', { action: 'link', code: player.pairing_code, email: relative, country: 'DK', platform: 'macos' })).json;
    assert.ok(pairing?.pairing_token, 'pairing answers with a token');
    const report = (on) => api('mac_device_status.php', { device_token: player.device_token, active: on, filter_active: 0, launch_at_login: 1, dns_active: on, vpn_active: 0, heartbeat: 1, source: 'heartbeat', platform: 'macos' });
    await report(1);
    const confirmation = await mailTo(relative, 'relative_confirmation');
    await confirm(confirmation);
    return { player, relative, pairing, report, signIn: signInLinkIn(confirmation) };
}
