-- The benchmark jobs as Lua functions: one call per record through the C API,
-- with the record as a string, its code type and its protocol; each returns
-- the edited record. They must give exactly what the Trelmix scripts give
-- (bench/jobs.cpp); the benchmark checks that before timing them.

function gs1(s, code, protocol)
  if code ~= 15 then return s end
  local n = #s
  if n > 26 and s:sub(1, 2) == '01' and s:sub(17, 18) == '17' and s:sub(25, 26) == '10' then
    local g = s:find('\29', 27, true)
    if g and g + 3 <= n and s:sub(g + 1, g + 2) == '21' then
      return '(01)' .. s:sub(3, 16) .. '(17)' .. s:sub(19, 24) .. '(10)' .. s:sub(27, g - 1) ..
             '(21)' .. s:sub(g + 3)
    end
    return '(01)' .. s:sub(3, 16) .. '(17)' .. s:sub(19, 24) .. '(10)' .. s:sub(27)
  end
  return (s:gsub('\29', ' | '))
end

function items(s, code, protocol)
  local n = #s
  if (code == 6 and n == 10) or (code == 2 and n == 11) then
    s = s:gsub('^0+', '')
    return s .. string.rep(' ', 12 - #s)
  end
  return s
end

function routing(s, code, protocol)
  local n = #s
  if code == 11 and n == 12 then return 'UPC ' .. s end
  if code == 3 and n >= 4 and s:sub(1, 3) == '978' then return 'ISBN ' .. s end
  if code == 20 and protocol == 3 then return (s:gsub(' ', '')) end
  if n == 9 and s:sub(1, 3) == 'RMA' then return 'RETURN ' .. s:sub(4) end
  if code == 8 and s:find('LOC-', 1, true) then return (s:gsub('-', '/')) end
  if (code == 1 or code == 2 or code == 4 or code == 5) and n == 7 then return s .. '0' end
  if code == 30 and n >= 3 and s:sub(1, 2) == 'SN' then return 'SN:' .. s:sub(3) end
  if protocol == 9 then return s .. '\t' end
  if code == 8 and n == 40 then return (s:gsub(' +', ' ')) end
  if code == 8 then return s .. '\r\n' end
  return s
end
