"""Drives headless Chromium over the DevTools protocol (on a pipe): load a
page, read the DOM after its scripts ran, collect console errors, take
screenshots and decode them."""

import base64
import io
import json
import os
import shutil
import subprocess
import tempfile
import time

import matplotlib.image

CHROMIUM = os.environ.get("CHROMIUM", "/usr/bin/chromium")

# Root needs --no-sandbox; the rest keep a machine without network or GPU
# quiet and the run reproducible. WebGL falls back to the software renderer.
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
         "--remote-debugging-pipe"]


class Browser:
    """One headless Chromium with one page, its own fresh profile."""

    def __init__(self, width=1100, height=900):
        self.profile = tempfile.mkdtemp(prefix="pairfit-chromium-")
        to_child_r, self.commands = os.pipe()
        self.replies, from_child_w = os.pipe()

        def pipes_on_3_and_4():
            # The protocol pipe is fds 3 (commands in) and 4 (replies out).
            a, b = os.dup(to_child_r), os.dup(from_child_w)
            os.dup2(a, 3)
            os.dup2(b, 4)

        self.process = subprocess.Popen(
            [CHROMIUM, *FLAGS, "--user-data-dir=" + self.profile, "--window-size=%d,%d" % (width, height),
             "about:blank"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            close_fds=False, preexec_fn=pipes_on_3_and_4)
        os.close(to_child_r)
        os.close(from_child_w)
        self.buffer, self.next_id, self.events, self.session = b"", 0, [], None
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Runtime", "Log", "Page"):
            self.call(domain + ".enable")
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def close(self):
        try:
            self.call("Browser.close")
            self.process.wait(timeout=20)
        except Exception:
            self.process.kill()
            self.process.wait()
        os.close(self.commands)
        os.close(self.replies)
        shutil.rmtree(self.profile, ignore_errors=True)

    def _read_message(self):
        # Messages are JSON texts, each ended by a NUL byte.
        while b"\0" not in self.buffer:
            chunk = os.read(self.replies, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed the protocol pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        message = json.loads(message)
        if "id" not in message:
            self.events.append(message)
        return message

    def call(self, method, params=None):
        """Sends a command (to the page once there is one) and returns its result."""
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params or {}}
        if self.session and not method.startswith(("Target.", "Browser.")):
            request["sessionId"] = self.session
        data = json.dumps(request).encode() + b"\0"
        while data:
            data = data[os.write(self.commands, data):]
        message = {}
        while message.get("id") != self.next_id:
            message = self._read_message()
        if "error" in message:
            raise RuntimeError("%s: %s" % (method, message["error"]))
        return message.get("result", {})

    def open(self, url, timeout=60):
        """Loads url with a fresh list of events."""
        self.events.clear()
        self.call("Page.navigate", {"url": url})
        end = time.time() + timeout
        while not any(e.get("method") == "Page.loadEventFired" for e in self.events):
            if time.time() > end:
                raise TimeoutError(url)
            self._read_message()

    def evaluate(self, expression):
        reply = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True, "awaitPromise": True})
        if "exceptionDetails" in reply:
            raise RuntimeError("%s: %s" % (expression, reply["exceptionDetails"]))
        return reply["result"].get("value")

    def count(self, selector):
        return self.evaluate("document.querySelectorAll(%s).length" % json.dumps(selector))

    def each(self, selector, expression):
        """expression, of the element x, for every element selector finds."""
        return self.evaluate("Array.prototype.map.call(document.querySelectorAll(%s), function (x) { return %s; })"
                             % (json.dumps(selector), expression))

    def wait_until(self, expression, timeout=30):
        end = time.time() + timeout
        while not self.evaluate(expression):
            if time.time() > end:
                return False
            time.sleep(0.2)
        return True

    def console_errors(self):
        """Console errors, uncaught exceptions and failed loads so far."""
        wanted = {"Runtime.exceptionThrown": lambda p: True,
                  "Runtime.consoleAPICalled": lambda p: p.get("type") in ("error", "assert"),
                  "Log.entryAdded": lambda p: p.get("entry", {}).get("level") == "error"}
        return [json.dumps(e["params"])[:500] for e in self.events
                if e.get("method") in wanted and wanted[e["method"]](e.get("params", {}))]

    def screenshot(self, selector):
        """PNG bytes of the element selector finds ("html": the whole page)."""
        box = self.evaluate("(function () { var r = document.querySelector(%s).getBoundingClientRect();"
                            " return [r.left + scrollX, r.top + scrollY, r.width, r.height]; })()" % json.dumps(selector))
        clip = {"x": box[0], "y": box[1], "width": box[2], "height": box[3], "scale": 1}
        reply = self.call("Page.captureScreenshot", {"format": "png", "clip": clip, "captureBeyondViewport": True})
        return base64.b64decode(reply["data"])


def pixels(png):
    """The RGB tuples of the pixels of a PNG, and how many there are."""
    image = (matplotlib.image.imread(io.BytesIO(png), format="png")[:, :, :3] * 255).round().astype(int)
    return [tuple(p) for row in image.tolist() for p in row], image.shape[0] * image.shape[1]

