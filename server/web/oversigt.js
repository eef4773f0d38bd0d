// Keeps the relative's overview current while the page is open: every 30 seconds its content is
// fetched again and the time of the update is shown (and read out by screen readers). A session
// that has ended reloads the page, which then shows the sign-in form. Without this script the page
// works the same and is current when loaded.
(function () {
    "use strict";
    var stamp = document.getElementById("opdateret");
    if (!stamp || !window.fetch || !("content" in document.createElement("template"))) {
        return;
    }
    function refresh() {
        if (document.hidden) {
            return;
        }
        fetch("/oversigt/status", { credentials: "same-origin", cache: "no-store" })
            .then(function (response) {
                if (response.status === 401) {
                    window.location.reload();
                    return null;
                }
                return response.ok ? response.text() : null;
            })
            .then(function (html) {
                if (!html) {
                    return;
                }
                var fresh = document.createElement("template");
                fresh.innerHTML = html;
                var overview = fresh.content.getElementById("overblik");
                var current = document.getElementById("overblik");
                var time = fresh.content.getElementById("opdateret");
                // Only the figures and events are replaced: the controls keep their focus.
                if (overview && current) {
                    current.replaceWith(overview);
                }
                if (time) {
                    stamp.textContent = time.textContent;
                }
            })
            .catch(function () {
                // Offline for a moment: the next round tries again.
            });
    }
    window.setInterval(refresh, 30000);
    document.addEventListener("visibilitychange", refresh);
})();
