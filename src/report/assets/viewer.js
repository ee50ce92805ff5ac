
(function () {
  var element = document.getElementById('viewer');
  try {
    var data = JSON.parse(document.getElementById('structure-data').textContent);
    var colours = JSON.parse(element.getAttribute('data-colours'));
    var viewer = $3Dmol.createViewer(element, { backgroundColor: 'white' });
    data.forEach(function (atoms, s) {
      var list = atoms.map(function (a, i) {
        return { elem: 'C', atom: 'CA', x: a[0], y: a[1], z: a[2], resi: a[4], resn: a[5], chain: a[6],
                 serial: i, index: i, bonds: [], bondOrder: [], hetflag: false,
                 color: a.length > 9 ? a[9] : colours[s][a[8]],
                 properties: { label: a[3], structure: s + 1, model: a[7], state: a[8] } };
      });
      for (var i = 1; i < list.length; ++i) {
        var a = atoms[i - 1], b = atoms[i];
        var dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
        if (a[6] === b[6] && a[7] === b[7] && dx * dx + dy * dy + dz * dz < 4.3 * 4.3) {
          list[i - 1].bonds.push(i); list[i - 1].bondOrder.push(1);
          list[i].bonds.push(i - 1); list[i].bondOrder.push(1);
        }
      }
      viewer.addModel().addAtoms(list);
    });
    viewer.setStyle({}, { stick: { radius: 0.22 }, sphere: { radius: 0.45 } });
    viewer.setHoverable({}, true, function (atom, v) {
      if (!atom.hoverLabel)
        atom.hoverLabel = v.addLabel('structure ' + atom.properties.structure + ': ' + atom.properties.label,
          { position: atom, backgroundColor: '#1a202c', fontSize: 12 });
    }, function (atom, v) {
      if (atom.hoverLabel) { v.removeLabel(atom.hoverLabel); delete atom.hoverLabel; }
    });
    // The domains' axes, when the page has any, are drawn here.
    viewer.zoomTo();
    viewer.render();
    element.setAttribute('data-drawn', 'yes');
  } catch (e) {
    console.error('3-D view: ' + e);
    element.textContent = 'The 3-D view could not be drawn here: ' + e;
  }
})();
