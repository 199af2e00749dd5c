-- Skirmdeck server directory on PostgreSQL (psqlODBC).
--
-- psqlODBC rewrites the client's {call Name(?,...)} into SELECT * FROM Name(...), which reaches
-- functions but not procedures, so the five calls are functions. Arguments arrive by position;
-- the parameter names only serve this script. Run it in the directory's database as a superuser:
--   psql -h HOST -U postgres -d DATABASE -v ON_ERROR_STOP=1 -f postgresql.sql
--
-- Running it again upgrades the directory in place and keeps its entries: keys stored in clear by
-- an older version are hashed, and every object is handed to the owner role. It runs as one
-- transaction, so a failed upgrade leaves the directory as it was.
--
-- Roles (created when missing; names are shared by every database of the cluster):
--   skirmdeck_owner   cannot log in; owns the tables and the functions, which run with its rights;
--   skirmdeck_player  the login players' connection strings name; it may connect to this database
--                     and execute the five functions, nothing else (no table, key, limit or log).
-- Give skirmdeck_player its password yourself: ALTER ROLE skirmdeck_player PASSWORD '...';
--
-- Rules the functions keep:
--   - keys are stored as pgcrypto bcrypt hashes and compared with crypt();
--   - each entry records the address it was posted from (inet_client_addr()); DeleteServer, the
--     removal without a key, only works from the listed address or the posting address;
--   - posts per calling address are limited by the rows of directory_limits;
--   - every text is checked before anything is stored;
--   - removals are logged in directory_removals, which only the owner reads.
-- A caller on the server's own Unix socket, or one coming through a pooler listed in
-- directory_poolers, has no address (NULL): all of them together count as one address for the
-- limits, and none may use DeleteServer.
--
-- Errors the client tells apart by a word at the start of the message:
--   ALREADYLISTED  (23505) the address is listed already;
--   NOTPERMITTED   (42501) DeleteServer from an address that neither is listed nor posted it;
--   LIMIT name     (53400) a post past the limit of directory_limits called name;
--   INVALID field  (22023) a bad value; field is the client's parameter name (ServerName, Port...).

BEGIN;
SET LOCAL client_min_messages = warning;

DO $$
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'skirmdeck_owner') THEN
        CREATE ROLE skirmdeck_owner NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'skirmdeck_player') THEN
        CREATE ROLE skirmdeck_player LOGIN;
    END IF;
    -- A player who could become the owner would read everything.
    IF pg_has_role('skirmdeck_player', 'skirmdeck_owner', 'MEMBER') THEN
        RAISE EXCEPTION 'skirmdeck_player must not be a member of skirmdeck_owner';
    END IF;
END;
$$;
ALTER ROLE skirmdeck_owner NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS;
ALTER ROLE skirmdeck_player LOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS;

-- Only the player login (and superusers) may connect; nobody may create anything here.
DO $$
BEGIN
    EXECUTE format('REVOKE ALL ON DATABASE %I FROM PUBLIC', current_database());
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO skirmdeck_player', current_database());
END;
$$;
REVOKE ALL ON SCHEMA public FROM PUBLIC;
-- Looking a function up needs USAGE on its schema; the owner's functions and tables live there too.
GRANT USAGE ON SCHEMA public TO skirmdeck_player, skirmdeck_owner;

CREATE EXTENSION IF NOT EXISTS pgcrypto;
-- The functions below keep this search path (SET search_path FROM CURRENT): this schema, wherever
-- pgcrypto was installed, and the temporary schema last so that nobody can shadow a name with it.
DO $$
BEGIN
    PERFORM set_config('search_path', format('public, %I, pg_temp', n.nspname), true)
    FROM pg_extension e
    JOIN pg_namespace n ON n.oid = e.extnamespace
    WHERE e.extname = 'pgcrypto';
END;
$$;

CREATE TABLE IF NOT EXISTS directory_entries (
    entry_id       bigserial   PRIMARY KEY,
    servername     text        NOT NULL,
    gametype       text        NOT NULL,
    ipaddress      text        NOT NULL,
    port           text        NOT NULL,
    mods           text        NOT NULL,
    connectiontype text        NOT NULL,
    keyhash        text        NOT NULL,
    source         text        NOT NULL,
    -- when the entry was posted or last refreshed; it is listed for 24 hours after that
    posted         timestamptz NOT NULL DEFAULT now(),
    -- the address the post came from; NULL over the Unix socket or when posted before it was kept
    postedfrom     inet
);

-- Upgrade from the version that kept keys in clear (column serverkey): hash them, drop the clear
-- column, then rewrite the table so the dropped values do not linger in its pages.
DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_attribute
               WHERE attrelid = 'directory_entries'::regclass AND attname = 'serverkey' AND NOT attisdropped) THEN
        ALTER TABLE directory_entries ADD COLUMN IF NOT EXISTS keyhash text;
        ALTER TABLE directory_entries ADD COLUMN IF NOT EXISTS postedfrom inet;
        UPDATE directory_entries SET keyhash = crypt(serverkey, gen_salt('bf'));
        ALTER TABLE directory_entries ALTER COLUMN keyhash SET NOT NULL;
        ALTER TABLE directory_entries DROP COLUMN serverkey;
        CLUSTER directory_entries USING directory_entries_pkey;
        ALTER TABLE directory_entries SET WITHOUT CLUSTER;
    END IF;
END;
$$;

-- One entry per address, which also settles two posts of the same address racing each other.
CREATE UNIQUE INDEX IF NOT EXISTS directory_entries_ipaddress ON directory_entries (ipaddress);
CREATE INDEX IF NOT EXISTS directory_entries_game ON directory_entries (gametype, posted DESC);
CREATE INDEX IF NOT EXISTS directory_entries_postedfrom ON directory_entries (postedfrom);

-- The flood limits, per calling address; the owner changes them with UPDATE. NULL switches a
-- limit off. Running the script again keeps the values set here.
CREATE TABLE IF NOT EXISTS directory_limits (
    name    text    PRIMARY KEY,
    value   integer CHECK (value >= 0),
    meaning text    NOT NULL
);
INSERT INTO directory_limits (name, value, meaning) VALUES
    ('live_entries_per_address', 4, 'entries listed at once that were posted from one address'),
    ('posts_per_hour_per_address', 30, 'AddServer calls from one address within the last hour')
ON CONFLICT (name) DO NOTHING;

-- Accepted posts of the last hour, for the hourly limit (entries themselves may be gone already).
CREATE TABLE IF NOT EXISTS directory_posts (
    postedfrom inet,
    posted_at  timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX IF NOT EXISTS directory_posts_postedfrom ON directory_posts (postedfrom, posted_at);

-- Every entry a caller removed: when, which address, from where and through which function.
-- Entries that lapse after 24 hours are not logged.
CREATE TABLE IF NOT EXISTS directory_removals (
    removed_at timestamptz NOT NULL DEFAULT now(),
    ipaddress  text        NOT NULL,
    calledfrom inet,
    via        text        NOT NULL
);

-- Connection poolers (PgBouncer) that connect over TCP: every call through one arrives from its
-- address, so that address stands for no player. Calls from these addresses count as having
-- no address, like calls over the Unix socket.
CREATE TABLE IF NOT EXISTS directory_poolers (
    address inet PRIMARY KEY,
    note    text NOT NULL DEFAULT ''
);

-- The caller's address as the rules see it; NULL over the Unix socket or through a pooler.
CREATE OR REPLACE FUNCTION directory_caller()
RETURNS inet LANGUAGE sql STABLE SET search_path FROM CURRENT AS $$
    SELECT CASE WHEN EXISTS (SELECT 1 FROM directory_poolers WHERE address = inet_client_addr()) THEN NULL
                ELSE inet_client_addr() END
$$;

-- Raises the error for a bad value, naming the client's parameter.
CREATE OR REPLACE FUNCTION directory_invalid(p_field text, p_rule text)
RETURNS void LANGUAGE plpgsql SET search_path FROM CURRENT AS $$
BEGIN
    RAISE EXCEPTION 'INVALID %: %', p_field, p_rule USING ERRCODE = 'invalid_parameter_value';
END;
$$;

-- An IPv4 address in dotted decimal without leading zeros, or a host name of at most 253
-- characters whose last label is not all digits (so 999.1.1.1 is no host name either).
CREATE OR REPLACE FUNCTION directory_valid_address(p_address text)
RETURNS boolean LANGUAGE sql IMMUTABLE SET search_path FROM CURRENT AS $$
    SELECT p_address ~ '^((25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\.){3}(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])$'
        OR (char_length(p_address) <= 253
            AND p_address ~ '^([A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?\.)*[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$'
            AND p_address ~ '[A-Za-z][A-Za-z0-9-]*$')
$$;

-- The checks of a post, in the order of the client's parameters.
CREATE OR REPLACE FUNCTION directory_check_post(p_servername text, p_gametype text, p_ipaddress text, p_port text,
                                                p_mods text, p_connectiontype text, p_serverkey text, p_source text)
RETURNS void LANGUAGE plpgsql SET search_path FROM CURRENT AS $$
DECLARE
    fields constant text[] := ARRAY['ServerName', 'Gametype', 'IPAddress', 'Port', 'Mods', 'ConnectionType',
                                    'ServerKey', 'Source'];
    vals   constant text[] := ARRAY[p_servername, p_gametype, p_ipaddress, p_port, p_mods, p_connectiontype,
                                    p_serverkey, p_source];
BEGIN
    FOR i IN 1 .. 8 LOOP
        IF vals[i] IS NULL THEN
            PERFORM directory_invalid(fields[i], 'missing');
        END IF;
        -- C0 and C1 controls and DEL: they would end up in every player's list.
        IF vals[i] ~ '[\x01-\x1f\x7f-\x9f]' THEN
            PERFORM directory_invalid(fields[i], 'contains a control character');
        END IF;
    END LOOP;
    IF char_length(p_servername) NOT BETWEEN 1 AND 64 THEN
        PERFORM directory_invalid('ServerName', 'must have 1 to 64 characters');
    END IF;
    IF p_gametype NOT IN ('Rogue Spear', 'Urban Operations', 'Rainbow Six', 'Eagle Watch') THEN
        PERFORM directory_invalid('Gametype', 'must be Rogue Spear, Urban Operations, Rainbow Six or Eagle Watch');
    END IF;
    IF NOT directory_valid_address(p_ipaddress) THEN
        PERFORM directory_invalid('IPAddress', 'must be an IPv4 address or a host name of at most 253 characters');
    END IF;
    -- Two steps: the cast must only see digits.
    IF p_port !~ '^[0-9]{1,5}$' THEN
        PERFORM directory_invalid('Port', 'must be a number from 1 to 65535');
    ELSIF p_port::integer NOT BETWEEN 1 AND 65535 THEN
        PERFORM directory_invalid('Port', 'must be a number from 1 to 65535');
    END IF;
    IF char_length(p_mods) > 128 THEN
        PERFORM directory_invalid('Mods', 'must have at most 128 characters');
    END IF;
    IF char_length(p_connectiontype) > 32 THEN
        PERFORM directory_invalid('ConnectionType', 'must have at most 32 characters');
    END IF;
    -- bcrypt reads no further than 72 bytes: a longer key would match on its first 72 alone.
    IF octet_length(p_serverkey) NOT BETWEEN 1 AND 72 THEN
        PERFORM directory_invalid('ServerKey', 'must have 1 to 72 bytes');
    END IF;
    IF char_length(p_source) > 253 THEN
        PERFORM directory_invalid('Source', 'must have at most 253 characters');
    END IF;
END;
$$;

-- Raises LIMIT when one more post from this address would pass a limit of directory_limits.
CREATE OR REPLACE FUNCTION directory_check_limits(p_caller inet)
RETURNS void LANGUAGE plpgsql SET search_path FROM CURRENT AS $$
DECLARE
    live_limit integer := (SELECT value FROM directory_limits WHERE name = 'live_entries_per_address');
    hour_limit integer := (SELECT value FROM directory_limits WHERE name = 'posts_per_hour_per_address');
BEGIN
    IF live_limit IS NOT NULL AND
       (SELECT count(*) FROM directory_entries WHERE postedfrom IS NOT DISTINCT FROM p_caller) >= live_limit THEN
        RAISE EXCEPTION 'LIMIT live_entries_per_address: at most % entries posted from one address may be listed at once',
            live_limit USING ERRCODE = 'configuration_limit_exceeded';
    END IF;
    IF hour_limit IS NOT NULL AND
       (SELECT count(*) FROM directory_posts
        WHERE postedfrom IS NOT DISTINCT FROM p_caller AND posted_at > now() - interval '1 hour') >= hour_limit THEN
        RAISE EXCEPTION 'LIMIT posts_per_hour_per_address: at most % posts an hour may come from one address',
            hour_limit USING ERRCODE = 'configuration_limit_exceeded';
    END IF;
END;
$$;

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

-- Posts an entry. Checks the values, then whether the address is listed (an expired entry is
-- cleared away first and does not count), then the limits of the calling address.
CREATE OR REPLACE FUNCTION AddServer(p_servername text, p_gametype text, p_ipaddress text, p_port text,
                                     p_mods text, p_connectiontype text, p_serverkey text, p_source text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
    caller constant inet := directory_caller();
BEGIN
    PERFORM directory_check_post(p_servername, p_gametype, p_ipaddress, p_port, p_mods, p_connectiontype,
                                 p_serverkey, p_source);
    -- One post at a time per calling address, so that racing posts cannot slip past a limit together.
    PERFORM pg_advisory_xact_lock(hashtextextended('skirmdeck post ' || coalesce(host(caller), 'socket'), 0));
    DELETE FROM directory_entries WHERE posted < now() - interval '24 hours';
    IF EXISTS (SELECT 1 FROM directory_entries WHERE ipaddress = p_ipaddress) THEN
        RAISE EXCEPTION 'ALREADYLISTED: a server with the address % is already listed', p_ipaddress
            USING ERRCODE = 'unique_violation';
    END IF;
    PERFORM directory_check_limits(caller);
    DELETE FROM directory_posts WHERE posted_at <= now() - interval '1 hour';
    INSERT INTO directory_posts (postedfrom) VALUES (caller);
    INSERT INTO directory_entries (servername, gametype, ipaddress, port, mods, connectiontype, keyhash, source,
                                   postedfrom)
    VALUES (p_servername, p_gametype, p_ipaddress, p_port, p_mods, p_connectiontype,
            crypt(p_serverkey, gen_salt('bf')), p_source, caller);
EXCEPTION WHEN unique_violation THEN
    -- Also the loser of two posts of one address from different callers racing each other.
    RAISE EXCEPTION 'ALREADYLISTED: a server with the address % is already listed', p_ipaddress
        USING ERRCODE = 'unique_violation';
END;
$$;

-- Removes the entry at an address, without a key: only for a caller connecting from the listed
-- address or from the address that posted it. Nothing listed there is no error.
CREATE OR REPLACE FUNCTION DeleteServer(p_ipaddress text)
RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path FROM CURRENT AS $$
DECLARE
    caller constant inet := directory_caller();
    entry directory_entries;
BEGIN
    SELECT * INTO entry FROM directory_entries WHERE ipaddress = p_ipaddress FOR UPDATE;
    IF NOT FOUND THEN
        RETURN;
    END IF;
    -- IS NOT TRUE: an unknown caller or poster (NULL) permits nothing.
    IF (host(caller) = entry.ipaddress OR caller = entry.postedfrom) IS NOT TRUE THEN
        RAISE EXCEPTION 'NOTPERMITTED: only the computer at % or the one that posted it may remove this server',
            p_ipaddress USING ERRCODE = 'insufficient_privilege';
    END IF;
    DELETE FROM directory_entries WHERE entry_id = entry.entry_id;
    INSERT INTO directory_removals (ipaddress, calledfrom, via) VALUES (entry.ipaddress, caller, 'DeleteServer');
END;
$$;

-- Removes the entry at an address only when the key and the source it was posted with match.
CREATE OR REPLACE FUNCTION DeleteServerPWed(p_ipaddress text, p_serverkey text, p_source text)
RETURNS void LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $$
    WITH removed AS (
        DELETE FROM directory_entries
        WHERE ipaddress = p_ipaddress AND source = p_source AND keyhash = crypt(p_serverkey, keyhash)
        RETURNING ipaddress
    )
    INSERT INTO directory_removals (ipaddress, calledfrom, via)
    SELECT ipaddress, directory_caller(), 'DeleteServerPWed' FROM removed
$$;

-- Re-announces an entry: its 24 hours start again (an entry that had lapsed is listed again).
CREATE OR REPLACE FUNCTION UpdateServer(p_ipaddress text, p_serverkey text, p_source text)
RETURNS void LANGUAGE sql SECURITY DEFINER SET search_path FROM CURRENT AS $$
    UPDATE directory_entries SET posted = now()
    WHERE ipaddress = p_ipaddress AND source = p_source AND keyhash = crypt(p_serverkey, keyhash)
$$;

-- Everything belongs to the role that cannot log in; the SECURITY DEFINER functions run as it.
ALTER TABLE directory_entries OWNER TO skirmdeck_owner;
ALTER TABLE directory_limits OWNER TO skirmdeck_owner;
ALTER TABLE directory_posts OWNER TO skirmdeck_owner;
ALTER TABLE directory_removals OWNER TO skirmdeck_owner;
ALTER TABLE directory_poolers OWNER TO skirmdeck_owner;
ALTER FUNCTION directory_caller() OWNER TO skirmdeck_owner;
ALTER FUNCTION directory_invalid(text, text) OWNER TO skirmdeck_owner;
ALTER FUNCTION directory_valid_address(text) OWNER TO skirmdeck_owner;
ALTER FUNCTION directory_check_post(text, text, text, text, text, text, text, text) OWNER TO skirmdeck_owner;
ALTER FUNCTION directory_check_limits(inet) OWNER TO skirmdeck_owner;
ALTER FUNCTION ActiveServers(text) OWNER TO skirmdeck_owner;
ALTER FUNCTION AddServer(text, text, text, text, text, text, text, text) OWNER TO skirmdeck_owner;
ALTER FUNCTION DeleteServer(text) OWNER TO skirmdeck_owner;
ALTER FUNCTION DeleteServerPWed(text, text, text) OWNER TO skirmdeck_owner;
ALTER FUNCTION UpdateServer(text, text, text) OWNER TO skirmdeck_owner;

-- Players reach the entries only through the five functions.
REVOKE ALL ON directory_entries, directory_limits, directory_posts, directory_removals, directory_poolers
    FROM PUBLIC, skirmdeck_player;
REVOKE ALL ON SEQUENCE directory_entries_entry_id_seq FROM PUBLIC, skirmdeck_player;
REVOKE ALL ON FUNCTION directory_caller(), directory_invalid(text, text), directory_valid_address(text),
    directory_check_post(text, text, text, text, text, text, text, text), directory_check_limits(inet)
    FROM PUBLIC, skirmdeck_player;
REVOKE ALL ON FUNCTION ActiveServers(text), AddServer(text, text, text, text, text, text, text, text),
    DeleteServer(text), DeleteServerPWed(text, text, text), UpdateServer(text, text, text) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION ActiveServers(text), AddServer(text, text, text, text, text, text, text, text),
    DeleteServer(text), DeleteServerPWed(text, text, text), UpdateServer(text, text, text) TO skirmdeck_player;
-- Functions the owner adds later are not everybody's either.
ALTER DEFAULT PRIVILEGES FOR ROLE skirmdeck_owner REVOKE EXECUTE ON FUNCTIONS FROM PUBLIC;

COMMIT;
