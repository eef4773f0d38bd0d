#!/usr/bin/env bash
# Measures the durable outbox on PostgreSQL with a small SMTP relay of its own (Python, in this
# script) that takes every message and notes when it arrived:
#  - the time from an alert's reply to its mail reaching the relay (one instance, relay up);
#  - mails per second through the relay from three instances draining a queue together, read from
#    the sum of their /metrics counters (molvena_mails_sent_total);
#  - heartbeats per second on one instance while its outbox worker drains a queue, as a ratio to the
#    same instance with an empty queue, in the same run (molvena-heartbeat-bench).
# Options: --mails N (queued for the throughput, default 1500), --heartbeats N (default 6000).
# Bounded in time; stops by itself and leaves nothing running.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
cmake --build "$build" --target molvena-server molvena-heartbeat-bench >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/molvena-outbox-bench.XXXXXX")"
cleanup() {
    "$root/scripts/postgresql-cluster.sh" stop "$work/postgresql" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

"$root/scripts/postgresql-cluster.sh" start "$work/postgresql" --durable >/dev/null
if [ ! -f "$work/postgresql/url" ]; then
    echo "PostgreSQL is not installed: nothing measured"
    exit 0
fi
url="$(cat "$work/postgresql/url")"
psql -X -q "${url}postgres" -c "CREATE DATABASE bench_outbox" >/dev/null
head -c 32 /dev/urandom >"$work/recovery.key"

python3 - "$build/server/molvena-server" "$build/server/molvena-heartbeat-bench" "${url}bench_outbox" "$work" "$@" <<'PYTHON'
import asyncio, re, uuid, statistics, subprocess, sys, threading, time, urllib.parse, urllib.request
from concurrent.futures import ThreadPoolExecutor

server, heartbeat_bench, database, work = sys.argv[1:5]
options = dict(zip(sys.argv[5::2], sys.argv[6::2]))
mails = int(options.get("--mails", 1500))
heartbeats = int(options.get("--heartbeats", 6000))


class Relay:
    """SMTP relay on loopback: takes every message, notes its Message-ID and arrival time."""

    def __init__(self):
        self.loop = asyncio.new_event_loop()
        threading.Thread(target=self.loop.run_forever, daemon=True).start()
        self.server = None
        self.port = None
        self.received = []  # (time, message id, text)
        self.delay = 0.0

    async def _session(self, reader, writer):
        writer.write(b"220 bench\r\n")
        data, in_data = [], False
        while line := await reader.readline():
            if in_data:
                if line == b".\r\n":
                    in_data = False
                    text = b"".join(data).decode("utf-8", "replace")
                    found = re.search(r"Message-ID: <([^@>]+)@", text)
                    self.received.append((time.monotonic(), found.group(1) if found else "", text))
                    data = []
                    if self.delay:
                        await asyncio.sleep(self.delay)
                    writer.write(b"250 queued\r\n")
                else:
                    data.append(line)
            elif line.startswith(b"DATA"):
                in_data = True
                writer.write(b"354 go on\r\n")
            elif line.startswith(b"QUIT"):
                writer.write(b"221 bye\r\n")
                await writer.drain()
                break
            else:
                writer.write(b"250 ok\r\n")
            await writer.drain()
        writer.close()

    def up(self):
        async def start():
            self.server = await asyncio.start_server(self._session, "127.0.0.1", self.port or 0,
                                                     reuse_address=True)
            self.port = self.server.sockets[0].getsockname()[1]
        asyncio.run_coroutine_threadsafe(start(), self.loop).result()

    def down(self):
        async def stop():
            self.server.close()
            await self.server.wait_closed()
        asyncio.run_coroutine_threadsafe(stop(), self.loop).result()


LATENCY_MAC = f"mac-{uuid.uuid4()}"
relay = Relay()
relay.up()
instances = []


def start_instance(number):
    process = subprocess.Popen(
        [server, "--listen", "127.0.0.1", "--port", "0", "--data", f"{work}/instance{number}",
         "--database", database, "--secret-file", f"{work}/recovery.key", "--behind-proxy",
         "--smtp-relay", f"127.0.0.1:{relay.port}", "--mail-retry", "1", "--metrics", "127.0.0.1:0"],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    api = metrics = None
    while api is None or metrics is None:
        line = process.stdout.readline()
        if not line:
            sys.exit("molvena-server did not start")
        if m := re.search(r"listening on (\S+)", line):
            api = m.group(1)
        if m := re.search(r"metrics on port (\d+)", line):
            metrics = f"http://127.0.0.1:{m.group(1)}/metrics"
    instances.append({"process": process, "api": api, "metrics": metrics})


def post(api, endpoint, fields, address):
    request = urllib.request.Request(api + endpoint, data=urllib.parse.urlencode(fields).encode(),
                                     headers={"X-Real-IP": address})
    with urllib.request.urlopen(request, timeout=30) as reply:
        return reply.read()


def sent(instance):
    text = urllib.request.urlopen(instance["metrics"], timeout=10).read().decode()
    return int(float(re.search(r"^molvena_mails_sent_total (\S+)", text, re.M).group(1)))


def address(n):
    return f"10.{n >> 16 & 255}.{n >> 8 & 255}.{n & 255}"


def register(count, first):
    def one(n):
        i = instances[n % len(instances)]
        post(i["api"], "pairing.php", {"action": "register", "device_token": f"mac-{uuid.UUID(int=n + 1)}",
                                        "pairing_code": f"{300000 + n}", "name": "Queue", "master_pin": "1234",
                                        "email": f"queue{n}@example.dk"}, address(n))
    with ThreadPoolExecutor(16) as pool:
        list(pool.map(one, range(first, first + count)))


def queue_recovery_mails(count, first, salt):
    def one(n):
        i = instances[n % len(instances)]
        post(i["api"], "recovery_request.php", {"email": f"queue{n}@example.dk", "role": "player"},
             address(n + salt))
    with ThreadPoolExecutor(16) as pool:
        list(pool.map(one, range(first, first + count)))


try:
    for number in range(3):
        start_instance(number)
    one = instances[0]

    # Alert to relay: a player with one confirmed relative.
    post(one["api"], "pairing.php", {"action": "register", "device_token": LATENCY_MAC, "pairing_code": "999999",
                                      "name": "Bench", "master_pin": "1234", "email": "latency@example.dk"},
         "10.255.0.1")
    post(one["api"], "pairing.php", {"action": "link", "code": "999999", "email": "relative@example.dk"},
         "10.255.0.2")
    deadline = time.monotonic() + 10
    while not any("token=" in text for _, _, text in relay.received) and time.monotonic() < deadline:
        time.sleep(0.05)
    token = re.search(r"token=([0-9a-f]{48})", next(t for _, _, t in relay.received if "token=" in t)).group(1)
    urllib.request.urlopen(one["api"] + "confirm_relative.php?token=" + token, timeout=10).read()
    latencies = []
    for n in range(15):
        before = len(relay.received)
        post(one["api"], "send_notification.php",
             {"device_token": LATENCY_MAC, "reason": "mac_protection_removed_externally"}, "10.255.0.3")
        answered = time.monotonic()
        while len(relay.received) == before and time.monotonic() < answered + 10:
            time.sleep(0.001)
        latencies.append((relay.received[before][0] - answered) * 1000)
        time.sleep(0.1)

    # Mails per second: a queue built while the relay is down, drained by three instances.
    register(mails, 0)
    relay.down()
    queue_recovery_mails(mails, 0, 100000)
    baseline = sum(sent(i) for i in instances)
    relay.up()
    started = time.monotonic()
    first_at = None
    deadline = started + 300
    while time.monotonic() < deadline:
        total = sum(sent(i) for i in instances) - baseline
        if total > 0 and first_at is None:
            first_at = time.monotonic()
        if total >= mails:
            break
        time.sleep(0.05)
    finished = time.monotonic()
    split = [sent(i) for i in instances]

    # Heartbeats with and without a draining queue, one instance; the relay takes 5 ms a message.
    for i in instances[1:]:
        i["process"].terminate()
        i["process"].wait()
    instances[1:] = []

    def heartbeat_run():
        # The benchmark registers its own Macs with fixed codes and addresses: the last run's go first.
        subprocess.run(["psql", "-X", "-q", database, "-c",
                        "DELETE FROM players WHERE email LIKE 'bench%@example.dk'"], check=True,
                       capture_output=True)
        output = subprocess.run([heartbeat_bench, "--api-base", one["api"], "--devices", "200",
                                 "--requests", str(heartbeats), "--concurrency", "16", "--time-limit", "60"],
                                capture_output=True, text=True).stdout
        return int(re.search(r"^throughput: *(\d+)", output, re.M).group(1))

    idle = heartbeat_run()
    relay.down()
    queue_recovery_mails(mails, 0, 200000)
    relay.delay = 0.005
    sent_before = sent(one)
    relay.up()
    busy = heartbeat_run()
    drained = sent(one) - sent_before

    print(f"alert to relay:           median {statistics.median(latencies):.1f} ms, "
          f"max {max(latencies):.1f} ms ({len(latencies)} alerts, one instance)")
    print(f"mails through the relay:  {mails / (finished - first_at):.0f} per second from three instances "
          f"({mails} mails in {finished - first_at:.2f} s; per instance {', '.join(map(str, split))} "
          f"including earlier mails)")
    print(f"heartbeats per second:    {idle} with an empty queue, {busy} while the worker sent {drained} "
          f"mails: {busy / idle:.2f} of idle")
finally:
    for i in instances:
        i["process"].terminate()
        i["process"].wait()
PYTHON
