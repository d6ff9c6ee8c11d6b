-- Neovim's own LSP client against `trelmix lsp`: opens a script, reads its
-- diagnostics, hover, completion, symbols and formatting, and quits with 0
-- when every answer is what an author would see, else 1 (the reasons on
-- standard error).
--   TRELMIX=build/dev/bin/trelmix nvim --headless -u NONE -c 'luafile nvim_client.lua'
local failures = {}
local function expect(ok, what)
  if not ok then table.insert(failures, what) end
end

local script = vim.fn.tempname() .. '.trelmix'
vim.fn.writefile({
  'BEGIN_RULE',
  'BEGIN_CRITERIA',
  'CODE_LENGTH(8)',
  'END_CRITERIA',
  'BEGIN_ACTION',
  'PAD_ZEROS(40)',
  'SEND_ALL',
  'END_ACTION',
  'END_RULE',
}, script)
vim.cmd('edit ' .. script)
local buf = vim.api.nvim_get_current_buf()
local client_id = vim.lsp.start_client({ name = 'trelmix', cmd = { os.getenv('TRELMIX'), 'lsp' }, root_dir = vim.fn.getcwd() })
vim.lsp.buf_attach_client(buf, client_id)
local client = vim.lsp.get_client_by_id(client_id)

vim.wait(10000, function() return #vim.diagnostic.get(buf) >= 2 end, 50)
local lines = {}
for _, d in ipairs(vim.diagnostic.get(buf)) do lines[d.lnum] = d.severity end
expect(lines[5] == vim.diagnostic.severity.WARN, 'a warning on PAD_ZEROS(40)')
expect(lines[6] == vim.diagnostic.severity.WARN, 'a warning on SEND_ALL in an application script')

local function ask(method, line, character)
  local params = { textDocument = { uri = vim.uri_from_bufnr(buf) }, position = { line = line, character = character },
                   options = { tabSize = 4, insertSpaces = true } }
  local reply = client.request_sync(method, params, 5000, buf)
  return reply and reply.result
end
local hover = ask('textDocument/hover', 5, 11)
expect(hover and hover.contents.value:find('adds 40 zeros', 1, true), 'hover on 40')
local items = ask('textDocument/completion', 6, 0) or {}
local labels = {}
for _, item in ipairs(items) do labels[item.label] = true end
expect(labels.PAD_SPACES and not labels.SEND_ALL and not labels.CODE_LIST, 'completion in an action block')
local symbols = ask('textDocument/documentSymbol', 0, 0) or {}
expect(#symbols == 1 and symbols[1].range['end'].line == 8, 'one rule symbol, lines 1-9')

vim.lsp.buf.formatting_sync(nil, 5000)
expect(vim.api.nvim_buf_get_lines(buf, 5, 6, false)[1] == '        PAD_ZEROS(40)', 'formatting indents actions')

if #failures > 0 then
  io.stderr:write('nvim: ' .. table.concat(failures, '; ') .. '\n')
  vim.cmd('cquit 1')
end
print('nvim client: ok')
vim.cmd('qall!')
