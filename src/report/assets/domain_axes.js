    var drawn = 0;
    JSON.parse(element.getAttribute('data-axes')).forEach(function (axis) {
      var point = function (p) { return { x: p[0], y: p[1], z: p[2] }; };
      if (viewer.addArrow({ start: point(axis.start), end: point(axis.end), radius: 0.5, radiusRatio: 2.4,
                            midpos: -4, color: axis.colour }))
        ++drawn;
    });
    element.setAttribute('data-axes-drawn', String(drawn));
