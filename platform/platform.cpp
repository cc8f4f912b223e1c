// Platform layers: grid model, canvas, CAD document, workbook, dialogs, key poll.
