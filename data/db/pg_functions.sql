-- The old engine's functions on the server, with the results and error
-- numbers they have on the embedded engine (CLNG('12a') is error 13, a Null
-- error 94, beyond 32 bits error 6). An error carries its number in its
-- SQLSTATE: class TB, then the three digits.
-- Created in the program's own schema, which stands before pg_catalog on the
-- search path: substr() there takes a negative start from the end of the
-- text, as the embedded engine does, so one statement text means the same
-- on both.

CREATE OR REPLACE FUNCTION jet_number(t text) RETURNS double precision
LANGUAGE plpgsql IMMUTABLE AS $$
DECLARE
  s text := btrim(t, E' \t\r\n\f\v');
  v double precision;
BEGIN
  IF t IS NULL THEN
    RAISE EXCEPTION 'Null の使い方が不正です。' USING ERRCODE = 'TB094';
  END IF;
  -- Plain decimal notation only: digits, one point, a sign, an exponent.
  IF s = '' OR s !~ '^[0-9.+eE-]+$' THEN
    RAISE EXCEPTION '型が一致しません。' USING ERRCODE = 'TB013';
  END IF;
  BEGIN
    v := s::double precision;
  EXCEPTION WHEN invalid_text_representation OR numeric_value_out_of_range THEN
    RAISE EXCEPTION '型が一致しません。' USING ERRCODE = 'TB013';
  END;
  IF v = 'Infinity'::double precision OR v = '-Infinity'::double precision OR v = 'NaN'::double precision THEN
    RAISE EXCEPTION '型が一致しません。' USING ERRCODE = 'TB013';
  END IF;
  RETURN v;
END $$;

-- Halves to the even number, as the old engine's integer conversions round.
CREATE OR REPLACE FUNCTION jet_round_even(x numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT CASE WHEN abs(x - trunc(x)) = 0.5 THEN 2 * round(x / 2) ELSE round(x) END
$$;

CREATE OR REPLACE FUNCTION clng(x numeric) RETURNS integer
LANGUAGE plpgsql IMMUTABLE AS $$
DECLARE
  r numeric;
BEGIN
  IF x IS NULL THEN
    RAISE EXCEPTION 'Null の使い方が不正です。' USING ERRCODE = 'TB094';
  END IF;
  r := jet_round_even(x);
  IF r < -2147483648 OR r > 2147483647 THEN
    RAISE EXCEPTION 'オーバーフローしました。' USING ERRCODE = 'TB006';
  END IF;
  RETURN r::integer;
END $$;

CREATE OR REPLACE FUNCTION clng(x double precision) RETURNS integer
LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  IF x IS NULL THEN
    RAISE EXCEPTION 'Null の使い方が不正です。' USING ERRCODE = 'TB094';
  END IF;
  IF x = 'Infinity'::double precision OR x = '-Infinity'::double precision OR x = 'NaN'::double precision THEN
    RAISE EXCEPTION 'オーバーフローしました。' USING ERRCODE = 'TB006';
  END IF;
  RETURN clng(x::numeric);
END $$;

CREATE OR REPLACE FUNCTION clng(x bigint) RETURNS integer
LANGUAGE sql IMMUTABLE AS $$ SELECT clng(x::numeric) $$;

CREATE OR REPLACE FUNCTION clng(x integer) RETURNS integer
LANGUAGE sql IMMUTABLE AS $$ SELECT clng(x::numeric) $$;

CREATE OR REPLACE FUNCTION clng(x text) RETURNS integer
LANGUAGE sql IMMUTABLE AS $$ SELECT clng(jet_number(x)) $$;

-- FIX drops the fraction toward zero; Null stays Null.
CREATE OR REPLACE FUNCTION fix(x numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT trunc(x) $$;

CREATE OR REPLACE FUNCTION fix(x double precision) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT trunc(x::numeric) $$;

CREATE OR REPLACE FUNCTION fix(x bigint) RETURNS bigint
LANGUAGE sql IMMUTABLE AS $$ SELECT x $$;

CREATE OR REPLACE FUNCTION fix(x integer) RETURNS bigint
LANGUAGE sql IMMUTABLE AS $$ SELECT x::bigint $$;

CREATE OR REPLACE FUNCTION fix(x text) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN x IS NULL THEN NULL ELSE trunc(jet_number(x)::numeric) END $$;

-- CSTR writes a number as the embedded engine does: shortest form, no
-- trailing zeros (1.50 is "1.5").
CREATE OR REPLACE FUNCTION cstr(x text) RETURNS text
LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  IF x IS NULL THEN
    RAISE EXCEPTION 'Null の使い方が不正です。' USING ERRCODE = 'TB094';
  END IF;
  RETURN x;
END $$;

CREATE OR REPLACE FUNCTION cstr(x bigint) RETURNS text
LANGUAGE sql IMMUTABLE AS $$ SELECT cstr(x::text) $$;

CREATE OR REPLACE FUNCTION cstr(x integer) RETURNS text
LANGUAGE sql IMMUTABLE AS $$ SELECT cstr(x::text) $$;

CREATE OR REPLACE FUNCTION cstr(x double precision) RETURNS text
LANGUAGE sql IMMUTABLE AS $$ SELECT cstr(x::text) $$;

CREATE OR REPLACE FUNCTION cstr(x numeric) RETURNS text
LANGUAGE sql IMMUTABLE AS $$
  SELECT cstr(CASE WHEN x = trunc(x) AND abs(x) < 1e15 THEN trunc(x)::text ELSE x::double precision::text END)
$$;

-- MID counts characters from 1; Null text stays Null.
CREATE OR REPLACE FUNCTION jet_mid(s text, start numeric, len numeric, has_len boolean) RETURNS text
LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  IF s IS NULL THEN
    RETURN NULL;
  END IF;
  IF start IS NULL OR (has_len AND len IS NULL) THEN
    RAISE EXCEPTION 'Null の使い方が不正です。' USING ERRCODE = 'TB094';
  END IF;
  IF start < 1 OR (has_len AND len < 0) THEN
    RAISE EXCEPTION 'プロシージャの呼び出し、または引数が不正です。' USING ERRCODE = 'TB005';
  END IF;
  IF NOT has_len THEN
    RETURN pg_catalog.substr(s, jet_round_even(start)::integer);
  END IF;
  RETURN pg_catalog.substr(s, jet_round_even(start)::integer, jet_round_even(len)::integer);
END $$;

CREATE OR REPLACE FUNCTION mid(s text, start numeric) RETURNS text
LANGUAGE sql IMMUTABLE AS $$ SELECT jet_mid(s, start, NULL, false) $$;

CREATE OR REPLACE FUNCTION mid(s text, start numeric, len numeric) RETURNS text
LANGUAGE sql IMMUTABLE AS $$ SELECT jet_mid(s, start, len, true) $$;

-- substr as the embedded engine counts: a negative start counts from the
-- end ("abcdef", -3 is "def"); the server's own substr takes it as a
-- position before the first character. Starts from 0 up mean the same on
-- both.
CREATE OR REPLACE FUNCTION substr(s text, start integer) RETURNS text
LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN start < 0
              THEN pg_catalog.substr(s, greatest(pg_catalog.length(s) + start + 1, 1))
              ELSE pg_catalog.substr(s, start) END
$$;

CREATE OR REPLACE FUNCTION substr(s text, start integer, len integer) RETURNS text
LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN len >= 0
              THEN pg_catalog.substr(s, CASE WHEN start < 0 THEN pg_catalog.length(s) + start + 1 ELSE start END, len)
              -- a negative length takes the characters before the start
              ELSE pg_catalog.substr(s, CASE WHEN start < 0 THEN pg_catalog.length(s) + start + 1 ELSE start END + len, -len)
         END
$$;

-- The embedded engine's own functions the statements use, with its
-- results: IFNULL and IIF take values of any type the two branches share.
CREATE OR REPLACE FUNCTION ifnull(a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT coalesce(a, b) $$;

CREATE OR REPLACE FUNCTION iif(c boolean, a anycompatible, b anycompatible) RETURNS anycompatible
LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN c THEN a ELSE b END $$;

-- GROUP_CONCAT joins the values that are not Null, with ',' or the
-- separator given.
CREATE OR REPLACE FUNCTION tobari_group_concat(state text, x text, sep text) RETURNS text
LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN x IS NULL THEN state WHEN state IS NULL THEN x ELSE state || sep || x END
$$;

CREATE OR REPLACE FUNCTION tobari_group_concat(state text, x text) RETURNS text
LANGUAGE sql IMMUTABLE AS $$ SELECT tobari_group_concat(state, x, ',') $$;

CREATE OR REPLACE AGGREGATE group_concat(text) (SFUNC = tobari_group_concat, STYPE = text);
CREATE OR REPLACE AGGREGATE group_concat(text, text) (SFUNC = tobari_group_concat, STYPE = text);

-- A text in arithmetic reads as the embedded engine reads it: the longest
-- number at its start after blanks, 0 when there is none; Null stays Null.
-- (Order files keep quantities and prices as texts.)
CREATE OR REPLACE FUNCTION tobari_number(t text) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN t IS NULL THEN NULL
              ELSE coalesce(substring(t FROM '^[ \t\r\n\f]*([+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][+-]?[0-9]+)?)')::numeric, 0)
         END
$$;

-- Division of two whole numbers drops the fraction toward zero, and a
-- division by zero is Null, as on the embedded engine.
CREATE OR REPLACE FUNCTION tobari_divide(a numeric, b numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN b = 0 THEN NULL
              WHEN scale(a) = 0 AND scale(b) = 0 THEN trunc(a / b)
              ELSE a / b END
$$;

CREATE OR REPLACE FUNCTION tobari_text_times(a text, b numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT tobari_number(a) * b $$;
CREATE OR REPLACE FUNCTION tobari_times_text(a numeric, b text) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT a * tobari_number(b) $$;
CREATE OR REPLACE FUNCTION tobari_text_plus(a text, b numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT tobari_number(a) + b $$;
CREATE OR REPLACE FUNCTION tobari_plus_text(a numeric, b text) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT a + tobari_number(b) $$;
CREATE OR REPLACE FUNCTION tobari_text_minus(a text, b numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT tobari_number(a) - b $$;
CREATE OR REPLACE FUNCTION tobari_minus_text(a numeric, b text) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT a - tobari_number(b) $$;
CREATE OR REPLACE FUNCTION tobari_text_divided(a text, b numeric) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT tobari_divide(tobari_number(a), b) $$;
CREATE OR REPLACE FUNCTION tobari_divided_text(a numeric, b text) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT tobari_divide(a, tobari_number(b)) $$;

DO $$
DECLARE
  ops text[][] := ARRAY[['*', 'tobari_text_times', 'tobari_times_text'],
                        ['+', 'tobari_text_plus', 'tobari_plus_text'],
                        ['-', 'tobari_text_minus', 'tobari_minus_text'],
                        ['/', 'tobari_text_divided', 'tobari_divided_text']];
  i integer;
BEGIN
  FOR i IN 1 .. array_length(ops, 1) LOOP
    IF NOT EXISTS (SELECT 1 FROM pg_operator o WHERE o.oprname = ops[i][1]
                   AND o.oprnamespace = current_schema()::regnamespace
                   AND o.oprleft = 'text'::regtype AND o.oprright = 'numeric'::regtype) THEN
      EXECUTE format('CREATE OPERATOR %s (LEFTARG = text, RIGHTARG = numeric, FUNCTION = %I)', ops[i][1], ops[i][2]);
      EXECUTE format('CREATE OPERATOR %s (LEFTARG = numeric, RIGHTARG = text, FUNCTION = %I)', ops[i][1], ops[i][3]);
    END IF;
  END LOOP;
END $$;

-- SUM over texts adds them as numbers.
CREATE OR REPLACE FUNCTION tobari_sum_text(state numeric, x text) RETURNS numeric
LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN x IS NULL THEN state ELSE coalesce(state, 0) + tobari_number(x) END $$;

CREATE OR REPLACE AGGREGATE sum(text) (SFUNC = tobari_sum_text, STYPE = numeric);

-- ZEROBLOB makes n zero bytes.
CREATE OR REPLACE FUNCTION zeroblob(n bigint) RETURNS bytea
LANGUAGE sql IMMUTABLE AS $$ SELECT decode(repeat('00', greatest(n, 0)::integer), 'hex') $$;
