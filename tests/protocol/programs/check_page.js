// Appended to a copy of a protocol page and run by headless Chromium. Works the page as a reader
// would (clicks the links and checkboxes) and leaves one line per check in a pre element
// whose id is "checks".
// The page's layout ("compact" or "detailed") is set by the runner in brisoltLayout.
(function () {
  var lines = [];
  function check(name, ok, detail) {
    lines.push((ok ? "PASS " : "FAIL ") + name + (ok ? "" : " :: " + detail));
  }
  function text(cell) {
    return cell.textContent.replace(/\u00a0/g, " ").trim();
  }
  function hidden(element) {
    return getComputedStyle(element).display === "none";
  }
  function rowTexts(row) {
    var texts = [];
    for (var i = 0; i < row.cells.length; i++) texts.push(text(row.cells[i]));
    return texts.join("|");
  }
  function expectRow(name, row, expected) {
    var actual = rowTexts(row);
    check(name, actual === expected, "got " + actual);
  }

  try {
    var ta = document.getElementById("ta");
    var tb = document.getElementById("tb");
    var tc = document.getElementById("tc");
    var qs3 = document.getElementById("qs3");
    var detailed = brisoltLayout === "detailed";

    check("title", document.title ===
          "ООО \"Рога & Копыта\" <Север> - Сверка начисленных и уплаченных сумм по сведениям в ПФР",
          document.title);
    var paragraphs = Array.prototype.map.call(document.querySelectorAll("p"), text);
    check("org name shown as text",
          paragraphs.indexOf("Наименование страхователя: ООО \"Рога & Копыта\" <Север>") >= 0,
          paragraphs.join(" / "));
    check("no element smuggled in by a name", document.getElementsByTagName("Север").length === 0,
          "found one");
    check("error shown as text",
          paragraphs.indexOf("Дубль <ИСХОДНАЯ> & повтор: 123-456-789 01") >= 0,
          paragraphs.join(" / "));
    var link = document.querySelector("a");
    check("home page link", link.getAttribute("href") === "https://brisolt.example/?a=1&b=\"2\"" &&
          text(link) === "Brisolt", link.outerHTML);
    check("files listed", document.querySelectorAll("#filelist li").length === 3, "count");

    // The file list folds away and comes back.
    var span = document.getElementById("filespan");
    var list = document.getElementById("filelist");
    check("file list shown at first", !hidden(list) && text(span) === "Скрыть", text(span));
    span.click();
    check("Скрыть hides the file list", hidden(list) && text(span) === "Показать", text(span));
    span.click();
    check("Показать shows it again", !hidden(list) && text(span) === "Скрыть", text(span));

    var dataRows = detailed ? 3 : 6;
    var headRows = detailed ? 4 : 3;
    check("main table rows", ta.rows.length === headRows + dataRows, "rows " + ta.rows.length);
    var first = ta.rows[headRows];
    if (detailed) {
      expectRow("first person", first,
                "123-456-789 01|Иванов  Иван Иванович||1|100.00|120.00|100.00|120.00|-20.00|" +
                "30.00|30.00|30.00|30.00|0.00|1, 2|50.00|30.00|150.00|150.00|0.00|15.00|15.01|" +
                "45.00|45.01|-0.01|Ошибка: 1/2010 - превыш. страх.: нач. 100.00, упл. 120.00" +
                "Предупреждение: 2/2010 - превыш. базы? 420000.00 рОшибка: 2/2010 - превыш. " +
                "накоп.: нач. 45.00, упл. <45.01>");
      expectRow("absent person", ta.rows[headRows + 2],
                "111-222-333 44|Сидоров Пётр Ильич|Отсутствует|2|0.00|0.00|0.00|0.00|0.00|0.00|" +
                "0.00|0.00|0.00|0.00||-1.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|0.00|");
    } else {
      check("person spans its periods", first.cells[0].rowSpan === 2 &&
            first.cells[first.cells.length - 1].rowSpan === 2, "rowspan");
      expectRow("first person, first period", first,
                "123-456-789 01|Иванов  Иван Иванович||1 полугодие 2010 г.|1|100.00|120.00|" +
                "100.00|120.00|-20.00|30.00|30.00|30.00|30.00|0.00|Ошибка: 1/2010 - превыш. " +
                "страх.: нач. 100.00, упл. 120.00Предупреждение: 2/2010 - превыш. базы? " +
                "420000.00 рОшибка: 2/2010 - превыш. накоп.: нач. 45.00, упл. <45.01>");
      expectRow("first person, second period", ta.rows[headRows + 1],
                "2 полугодие 2010 г.|1, 2|50.00|30.00|150.00|150.00|0.00|15.00|15.01|45.00|" +
                "45.01|-0.01");
      expectRow("dismissed person", ta.rows[headRows + 2],
                "987-654-321 09|Петрова Анна|15.05.2010|1 полугодие 2010 г.|1|200.00|100.00|" +
                "200.00|100.00|100.00|0.00|0.00|0.00|0.00|0.00|Предупреждение: задолж. 100.00 " +
                "страх.");
    }
    var notes = first.cells[first.cells.length - 1];
    check("three notes on three lines", notes.getElementsByTagName("br").length === 2,
          notes.innerHTML);
    var red = "rgb(255, 0, 0)";
    var cyan = "rgb(102, 255, 255)";
    check("error person in red", getComputedStyle(first.cells[0]).color === red &&
          getComputedStyle(first.cells[1]).color === red, getComputedStyle(first.cells[0]).color);
    var dismissedRow = ta.rows[headRows + (detailed ? 1 : 2)];
    check("dismissed person on cyan",
          getComputedStyle(dismissedRow.cells[0]).backgroundColor === cyan,
          getComputedStyle(dismissedRow.cells[0]).backgroundColor);
    var saldoCell = first.cells[detailed ? 8 : 9];
    var zeroSaldo = first.cells[detailed ? 13 : 14];
    check("overpayment in red, zero not", getComputedStyle(saldoCell).color === red &&
          getComputedStyle(zeroSaldo).color !== red, text(saldoCell) + " " + text(zeroSaldo));

    check("totals rows", tb.rows.length === 5, "rows " + tb.rows.length);
    check("totals not coloured", getComputedStyle(tb.rows[3].cells[3]).color !== red,
          text(tb.rows[3].cells[3]));
    expectRow("forgotten persons", tc.rows[2],
              "987-654-321 09|Петрова Анна|100.00|0.00");
    expectRow("forgotten person with markup", tc.rows[3], "111-222-333 44|Сидоров & сын|0.00|2.00");
    check("СЗВ-6-3 rows", qs3.rows.length === 5, "rows " + qs3.rows.length);
    expectRow("СЗВ-6-3 one-line block", qs3.rows[4],
              "987-654-321 09|Петрова Анна|ООИ|0.00|0.00|0.00|0.00|0.00|0.00|0.00|-0.04|0.04|" +
              "0.00|0.00|0.00");
    check("mismatch in red", getComputedStyle(qs3.rows[4].cells[11]).color === red &&
          getComputedStyle(qs3.rows[4].cells[10]).color !== red, "colours");

    if (detailed) {
      // Clearing the second period's checkbox hides exactly that period's cells.
      var boxes = document.querySelectorAll("input[type=checkbox]");
      check("one checkbox per period", boxes.length === 2, "count " + boxes.length);
      var expectedHidden = {0: [4], 1: [3, 4, 5], 2: [4, 5, 6, 7], 3: []};
      for (var c = 10; c <= 19; c++) expectedHidden[3].push(c);
      var dataHidden = [];
      for (var d = 14; d <= 24; d++) dataHidden.push(d);
      function hiddenCells() {
        var found = [];
        for (var r = 0; r < ta.rows.length; r++) {
          for (var k = 0; k < ta.rows[r].cells.length; k++) {
            if (hidden(ta.rows[r].cells[k])) found.push(r + ":" + k);
          }
        }
        return found.join(",");
      }
      function expectedCells() {
        var found = [];
        for (var r = 0; r < ta.rows.length; r++) {
          var cells = r < 4 ? expectedHidden[r] : dataHidden;
          for (var k = 0; k < cells.length; k++) found.push(r + ":" + cells[k]);
        }
        return found.join(",");
      }
      boxes[1].click();
      check("clearing period 2 hides its cells", hiddenCells() === expectedCells(),
            "hidden " + hiddenCells());
      check("hidden heading is period 2", text(ta.rows[0].cells[4]) === "2 полугодие 2010 г.",
            text(ta.rows[0].cells[4]));
      check("hidden data begins with its file numbers", text(first.cells[14]) === "1, 2",
            text(first.cells[14]));
      boxes[1].click();
      check("ticking it again shows them", hiddenCells() === "", "hidden " + hiddenCells());
      boxes[0].click();
      check("clearing period 1 hides its heading", hidden(ta.rows[0].cells[3]) &&
            !hidden(ta.rows[0].cells[4]) && hidden(first.cells[3]) && !hidden(first.cells[14]),
            hiddenCells());
    } else {
      check("no checkboxes in the compact layout",
            document.querySelectorAll("input[type=checkbox]").length === 0, "found");
      check("no period script in the compact layout", typeof togglePeriod === "undefined",
            "defined");
    }
  } catch (error) {
    lines.push("FAIL exception :: " + error);
  }
  var pre = document.createElement("pre");
  pre.id = "checks";
  pre.textContent = lines.join("\n");
  document.body.appendChild(pre);
})();
