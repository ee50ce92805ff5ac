
document.querySelectorAll('table.sortable').forEach(function (table) {
  table.querySelectorAll('th').forEach(function (th, column) {
    th.addEventListener('click', function () {
      var body = table.tBodies[0], rows = Array.prototype.slice.call(body.rows);
      var ascending = th.getAttribute('data-order') !== 'ascending';
      rows.sort(function (a, b) {
        var x = a.cells[column].getAttribute('data-value'), y = b.cells[column].getAttribute('data-value');
        var nx = parseFloat(x), ny = parseFloat(y);
        var c = (isNaN(nx) || isNaN(ny)) ? x.localeCompare(y) : nx - ny;
        return ascending ? c : -c;
      });
      table.querySelectorAll('th').forEach(function (h) { h.removeAttribute('data-order'); });
      th.setAttribute('data-order', ascending ? 'ascending' : 'descending');
      rows.forEach(function (row) { body.appendChild(row); });
    });
  });
});
