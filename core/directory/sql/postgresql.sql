-- Skirmdeck server directory on PostgreSQL (psqlODBC).
--
-- psqlODBC rewrites the client's {call Name(?,...)} into SELECT * FROM Name(...), which reaches
-- functions but not procedures, so the five calls are functions. Arguments arrive by position;
-- the parameter names only serve this script. Run it in the directory's database, as its owner:
--   psql -h HOST -U OWNER -d DATABASE -v ON_ERROR_STOP=1 -f postgresql.sql
-- Running it again keeps the entries and replaces the functions. The functions may be called by
-- every role that may connect (PostgreSQL's default for functions); the table is the owner's alone.

CREATE TABLE IF NOT EXISTS directory_entries (
    entry_id       bigserial   PRIMARY KEY,
    servername     text        NOT NULL,
    gametype       text        NOT NULL,
    ipaddress      text        NOT NULL,
    port           text        NOT NULL,
    mods           text        NOT NULL,
    connectiontype text        NOT NULL,
    serverkey      text        NOT NULL,
    source         text        NOT NULL,
    -- when the entry was posted or last refreshed; it is listed for 24 hours after that
    posted         timestamptz NOT NULL DEFAULT now()
);

-- One entry per address, which also settles two posts of the same address racing each other.
CREATE UNIQUE INDEX IF NOT EXISTS directory_entries_ipaddress ON directory_entries (ipaddress);
CREATE INDEX IF NOT EXISTS directory_entries_game ON directory_entries (gametype, posted DESC);

-- Players share one login, so they reach the entries only through the functions below, which run
-- with the owner's rights: nobody reads another poster's key or rewrites the table directly.
REVOKE ALL ON directory_entries FROM PUBLIC;

-- The entries of one game posted or refreshed within the last 24 hours, newest first.
CREATE OR REPLACE FUNCTION ActiveServers(p_gametype text)
RETURNS TABLE (ServerName text, IPAddress text, Port text, Mods text)
LANGUAGE sql STABLE SECURITY DEFINER SET search_path FROM CURRENT AS $$
    SELECT e.servername, e.ipaddress, e.port, e.mods
    FROM directory_entries e
    WHERE e.gametype = p_gametype
      AND e.posted >= now() - interval '24 hours'
    ORDER BY e.posted DESC, e.entry_id DESC
$$;

-- Posts an entry. An address that is already listed raises unique_violation with the word
-- ALREADYLISTED in the message; an expired entry is cleared away first and does not count.
CREATE OR REPLACE FUNCTION AddServer(p_servername text, p_gametype text, p_ipaddress text, p_port text,
                                     p_mods text, p_connectiontype text, p_serverkey text, p_source text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
BEGIN
    DELETE FROM directory_entries WHERE posted < now() - interval '24 hours';
    INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods, connectiontype, serverkey, source)
    VALUES (p_servername, p_gametype, p_ipaddress, p_port, p_mods, p_connectiontype, p_serverkey, p_source);
EXCEPTION WHEN unique_violation THEN
    RAISE EXCEPTION 'ALREADYLISTED: a server with the address % is already listed', p_ipaddress
        USING ERRCODE = 'unique_violation';
END;
$$;

-- Removes the entry at an address, whoever posted it.
CREATE OR REPLACE FUNCTION DeleteServer(p_ipaddress text)
RETURNS void LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $$
    DELETE FROM directory_entries WHERE ipaddress = p_ipaddress
$$;

-- Removes the entry at an address only when the key and the source it was posted with match.
CREATE OR REPLACE FUNCTION DeleteServerPWed(p_ipaddress text, p_serverkey text, p_source text)
RETURNS void LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $$
    DELETE FROM directory_entries
    WHERE ipaddress = p_ipaddress AND serverkey = p_serverkey AND source = p_source
$$;

-- Re-announces an entry: its 24 hours start again (an entry that had lapsed is listed again).
CREATE OR REPLACE FUNCTION UpdateServer(p_ipaddress text, p_serverkey text, p_source text)
RETURNS void LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $$
    UPDATE directory_entries SET posted = now()
    WHERE ipaddress = p_ipaddress AND serverkey = p_serverkey AND source = p_source
$$;
