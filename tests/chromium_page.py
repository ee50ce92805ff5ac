"""Drives headless Chromium over the DevTools protocol (on a pipe): load a
page, read the DOM after its scripts ran, collect console errors, take
screenshots and decode them.

Also a command: chromium_page.py URL OUT.png WIDTH HEIGHT [SELECTOR]
writes a screenshot of the page (or of the element SELECTOR) to OUT.png.
"""

import base64
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

import matplotlib.image

CHROMIUM = os.environ.get("CHROMIUM", "/usr/bin/chromium")

# Root needs --no-sandbox; the rest keep a machine without network or GPU
# quiet and the run reproducible. WebGL falls back to the software renderer.
FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader",
    "--no-first-run", "--disable-background-networking", "--disable-component-update",
    "--disable-sync", "--hide-scrollbars", "--remote-debugging-pipe",
]


class Browser:
    """One headless Chromium with one page, its own fresh profile."""

    def __init__(self, width=1100, height=900):
        self.profile = tempfile.mkdtemp(prefix="pairfit-chromium-")
        to_child_r, to_child_w = os.pipe()
        from_child_r, from_child_w = os.pipe()

        def pipes_on_3_and_4():
            # The protocol pipe is fds 3 (commands in) and 4 (replies out).
            a, b = os.dup(to_child_r), os.dup(from_child_w)
            os.dup2(a, 3)
            os.dup2(b, 4)

        self.process = subprocess.Popen(
            [CHROMIUM, *FLAGS, "--user-data-dir=" + self.profile,
             "--window-size=%d,%d" % (width, height), "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            close_fds=False, preexec_fn=pipes_on_3_and_4)
        os.close(to_child_r)
        os.close(from_child_w)
        self.commands, self.replies, self.buffer = to_child_w, from_child_r, b""
        self.next_id = 0
        self.events = []
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Runtime", "Log", "Page"):
            self.call(domain + ".enable", session=True)
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False}, session=True)

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.commands)
        os.close(self.replies)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _read_message(self):
        # Messages are JSON texts, each ended by a NUL byte.
        while b"\0" not in self.buffer:
            chunk = os.read(self.replies, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed the protocol pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=False):
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            request["sessionId"] = self.session
        data = json.dumps(request).encode() + b"\0"
        while data:
            data = data[os.write(self.commands, data):]
        while True:
            message = self._read_message()
            if message.get("id") == self.next_id:
                break
            if "id" not in message:
                self.events.append(message)
        if "error" in message:
            raise RuntimeError("%s: %s" % (method, message["error"]))
        return message.get("result", {})

    def wait_for_event(self, method, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            for event in self.events:
                if event.get("method") == method:
                    self.events.remove(event)
                    return event
            message = self._read_message()
            if "id" not in message:
                self.events.append(message)
        raise TimeoutError(method)

    def open(self, url, timeout=60):
        self.call("Page.navigate", {"url": url}, session=True)
        self.wait_for_event("Page.loadEventFired", timeout)

    def evaluate(self, expression):
        reply = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                               "awaitPromise": True}, session=True)
        if "exceptionDetails" in reply:
            raise RuntimeError("%s: %s" % (expression, reply["exceptionDetails"]))
        return reply["result"].get("value")

    def wait_until(self, expression, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if self.evaluate(expression):
                return True
            time.sleep(0.2)
        return False

    def console_errors(self):
        """Console errors, uncaught exceptions and failed loads so far."""
        errors = []
        for e in self.events:
            p = e.get("params", {})
            if e.get("method") == "Runtime.exceptionThrown":
                errors.append(json.dumps(p.get("exceptionDetails", {}))[:500])
            elif e.get("method") == "Runtime.consoleAPICalled" and p.get("type") in ("error", "assert"):
                errors.append(" ".join(str(a.get("value", a.get("description"))) for a in p.get("args", [])))
            elif e.get("method") == "Log.entryAdded" and p.get("entry", {}).get("level") == "error":
                errors.append(p["entry"].get("text", ""))
        return errors

    def screenshot(self, selector=None, full_page=False):
        """PNG bytes of the viewport, the whole page, or one element."""
        params = {"format": "png"}
        if selector is not None:
            box = self.evaluate("(function () { var r = document.querySelector(%s).getBoundingClientRect();"
                                " return [r.left + scrollX, r.top + scrollY, r.width, r.height]; })()"
                                % json.dumps(selector))
            params["clip"] = {"x": box[0], "y": box[1], "width": box[2], "height": box[3], "scale": 1}
            params["captureBeyondViewport"] = True
        elif full_page:
            size = self.evaluate("[document.documentElement.scrollWidth, document.documentElement.scrollHeight]")
            params["clip"] = {"x": 0, "y": 0, "width": size[0], "height": size[1], "scale": 1}
            params["captureBeyondViewport"] = True
        return base64.b64decode(self.call("Page.captureScreenshot", params, session=True)["data"])


def decode_png(data):
    """(width, height, rows of RGB tuples) of a PNG."""
    image = (matplotlib.image.imread(io.BytesIO(data), format="png")[:, :, :3] * 255).round().astype(int)
    return image.shape[1], image.shape[0], [[tuple(p) for p in row] for row in image.tolist()]


def main(argv):
    url, out, width, height = argv[1], argv[2], int(argv[3]), int(argv[4])
    selector = argv[5] if len(argv) > 5 else None
    with Browser(width, height) as browser:
        browser.open(url)
        browser.wait_until("!document.getElementById('viewer') || "
                           "document.getElementById('viewer').getAttribute('data-drawn') === 'yes'")
        time.sleep(1)
        png = browser.screenshot(selector, full_page=selector is None)
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main(sys.argv)
